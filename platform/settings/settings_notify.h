// Change notification of the settings stores, within the process and across the device.
//
// A committed change is announced as (channel, key): channel names the store ("vconf",
// "preference:<package>"), never the value, which the receiver reads from the store.
// Listeners of this process are called from an Ecore job; other processes get the
// change as the broadcast D-Bus signal
//
//   path /com/korvane/watch/settings, interface com.korvane.watch.Settings,
//   member Changed, arguments (s channel, s key)
//
// on the device bus. Each process matches only the channels it listens to (arg0), and
// drops its own signals, which it has already delivered locally. Without a device bus
// the changes stay in the process, and one log line says so.
//
// A listener hears the changes that reach this process after it was added, its own
// process's writes included, and never one that came before: a change is numbered when
// it reaches the process (written here, or its signal received), and a listener added
// while it waits for delivery does not get it.
//
// Main-loop thread only, except Publish(), which may be called from any thread.
#pragma once

#include <Ecore.h>
#include <Eldbus.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace watch {
namespace settings {

extern const char* const kSignalPath;
extern const char* const kSignalInterface;
extern const char* const kSignalMember;

class Notifier {
  public:
    using Listener = std::function<void(const std::string& channel, const std::string& key)>;

    // The process's notifier, made on first use and kept for the life of the process.
    static Notifier& Instance();

    // Calls listener on the main loop for every change of the channel's keys, made by
    // this process or, with the device bus, by any other. Every change made after Listen()
    // returns reaches it, none made before. Returns an id > 0 for Unlisten().
    unsigned Listen(const std::string& channel, Listener listener);
    // Safe from inside a listener, also for the listener being called.
    void Unlisten(unsigned id);

    // Announces a committed change of key.
    void Publish(const std::string& channel, const std::string& key);

    // The number of the latest change that reached this process (0 before any). A
    // callback registered under a listener notes it, and takes only the changes for which
    // Delivering() is higher.
    uint64_t Stamp() const { return mStamp; }
    // The number of the change whose listeners run now.
    uint64_t Delivering() const { return mDelivering; }

    // True when this process is connected to the device bus; tries to connect when not.
    bool Connected();
    // Called once when an established bus connection is lost (the device shut down).
    void SetLostHandler(std::function<void()> handler);

  private:
    struct ChannelState;
    struct Entry {
        std::string channel;
        Listener listener;
        uint64_t since;
    };
    struct Change {
        std::string channel;
        std::string key;
        uint64_t stamp;
    };

    Notifier();
    bool Forked();
    bool EnsureConnected();
    void AddHandler(const std::string& channel, ChannelState* state);
    void Sync();
    void Emit(const std::string& channel, const std::string& key);
    void Enqueue(const std::string& channel, const std::string& key);
    void Drop();
    void ReportLocal(const char* why);
    static void RunJob(void* data);
    static void OnSignal(void* data, const Eldbus_Message* msg);
    static void OnDisconnected(void* data, Eldbus_Connection* conn, void* event);
    static void RunDrop(void* data);
    static void PublishFromThread(void* data);

    pid_t mPid;
    Eldbus_Connection* mConn = nullptr;
    Eldbus_Object* mDaemon = nullptr;
    Eldbus_Proxy* mDaemonProxy = nullptr;
    std::string mUniqueName;
    std::map<unsigned, Entry> mListeners;
    std::map<std::string, std::unique_ptr<ChannelState>> mChannels;
    std::deque<Change> mPending;
    Ecore_Job* mJob = nullptr;
    Ecore_Job* mDropJob = nullptr;
    std::function<void()> mLost;
    unsigned mNextId = 1;
    uint64_t mStamp = 0;
    uint64_t mDelivering = 0;
    bool mReportedLocal = false;

    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;
};

} // namespace settings
} // namespace watch
