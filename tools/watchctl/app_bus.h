// Talking to running applications over the device bus, for the watchctl commands.
#pragma once

#include <Eldbus.h>

#include <string>

namespace watchctl {

// The Ecore loop and this process's connection to the device bus, for one command.
class AppBus {
  public:
    AppBus();
    ~AppBus();
    // False (with a reason) when the device is not booted.
    bool Open(std::string* error);
    Eldbus_Connection* Connection() const { return mConnection; }

    // Sends a method call and runs the loop until its answer; the answer (unref it) or
    // NULL with a reason (the bus error, or the time-out in seconds running out).
    Eldbus_Message* Call(Eldbus_Message* msg, double timeoutSeconds, std::string* error);
    // The unique name that owns `name`, or empty when nobody does.
    std::string Owner(const std::string& name);
    // The owner of the application's bus name, or empty (with a reason) when it is not
    // running; an invalid or unknown id says so.
    std::string RunningApp(const std::string& appId, std::string* error);
    // Calls a method of the application interface at `destination` (a unique name).
    Eldbus_Message* CallApp(const std::string& destination, const char* method, std::string* error,
                            const char* signature = nullptr, ...);

    // Runs the loop for the given time (the bus keeps being served).
    void Wait(double seconds);

  private:
    Eldbus_Connection* mConnection = nullptr;
    bool mEcore = false;
};

} // namespace watchctl
