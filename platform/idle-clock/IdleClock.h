// The device's idle-clock component: the system's side of a clock hand-over. When
// WATCH_VCONF_KEY_IDLE_CLOCK_SHOW becomes 1, it brings the application named by
// WATCH_VCONF_KEY_CLOCKS_SET_IDLE to the front with a launch request, then sets the key back to 0
// (also when no clock is named or the request cannot be sent: the request has been dealt
// with, and whoever waits for 0 goes on).
//
// The clock comes kTransition seconds after the request: the application that asked is
// still in front and finishing what it shows (the style editor's closing zoom takes 0.2 s
// and answers its caller at its end), and the clock in front would end it at once.
#pragma once

#include <vconf.h>

#include <Ecore.h>

#include <string>

namespace watch {
namespace idleclock {

// The bus name the running component owns: one component per device.
constexpr const char* kBusName = "watch.system.idleclock";
constexpr const char* kTag = "WATCH-IDLE-CLOCK";
constexpr double kTransition = 1.0;

class IdleClock {
  public:
    IdleClock() = default;
    ~IdleClock();

    // Watches the key and serves a request already pending. False with a reason when the
    // key cannot be watched.
    bool Start(std::string* error);
    void Stop();

    // Hand-overs done since Start (launch requests sent).
    int HandOvers() const { return mHandOvers; }

  private:
    static void OnShowChanged(keynode_t* node, void* data);
    static Eina_Bool OnTransitionEnd(void* data);
    void Request();
    void ShowIdleClock();

    bool mWatching = false;
    Ecore_Timer* mTransition = nullptr; // a request being served
    int mHandOvers = 0;

    IdleClock(const IdleClock&) = delete;
    IdleClock& operator=(const IdleClock&) = delete;
};

// The program: serves until SIGTERM/SIGINT or until the device bus goes. Prints "ready"
// on standard output once it serves, then lets go of it.
int Main(int argc, char** argv);

} // namespace idleclock
} // namespace watch
