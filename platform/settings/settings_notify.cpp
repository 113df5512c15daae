#include "settings_notify.h"

#include "dlog.h"
#include "watch_bus.h"
#include "watch_device.h"

#include <Ecore.h>
#include <glib.h>
#include <unistd.h>

namespace watch {
namespace settings {

const char* const kSignalPath = "/com/korvane/watch/settings";
const char* const kSignalInterface = "com.korvane.watch.Settings";
const char* const kSignalMember = "Changed";

namespace {

const char* const kTag = "WATCH-SETTINGS";

struct ThreadPublish {
    std::string channel;
    std::string key;
};

} // namespace

// One per channel this process listens to: the bus match and the listener count.
struct Notifier::ChannelState {
    Notifier* owner = nullptr;
    std::string channel;
    int listeners = 0;
    Eldbus_Signal_Handler* handler = nullptr;
};

Notifier& Notifier::Instance() {
    // Kept until the process ends: jobs and bus callbacks may refer to it at any time.
    static Notifier* instance = new Notifier();
    return *instance;
}

Notifier::Notifier() : mPid(getpid()) {
    // Holds Eldbus (and with it Ecore) for the whole process, so that jobs can be queued
    // and a failed bus connection does not tear the libraries down and up again. Ecore
    // starts here, often before the application's main: without its system modules (they
    // would watch the system bus), and with the session bus set right before they or
    // anything else take it.
    ecore_app_no_system_modules();
    bus::RestoreSessionBus();
    eldbus_init();
}

void Notifier::ReportLocal(const char* why) {
    if (mReportedLocal)
        return;
    mReportedLocal = true;
    __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                 "%s: settings changes reach only the callbacks of this process", why);
}

// A forked child must not speak on its parent's connection: it forgets it, without
// closing or unmatching anything the parent still uses, and stays local.
bool Notifier::Forked() {
    if (getpid() == mPid)
        return false;
    mConn = nullptr;
    mDaemon = nullptr;
    mDaemonProxy = nullptr;
    for (auto& entry : mChannels)
        entry.second->handler = nullptr;
    ReportLocal("forked process without a bus connection of its own");
    return true;
}

bool Notifier::EnsureConnected() {
    if (Forked())
        return false;
    if (mConn)
        return true;
    mConn = bus::Connect();
    if (!mConn) {
        ReportLocal(("no device bus in " + DeviceRoot() + " (not booted)").c_str());
        return false;
    }
    const char* unique = eldbus_connection_unique_name_get(mConn);
    mUniqueName = unique ? unique : "";
    eldbus_connection_event_callback_add(mConn, ELDBUS_CONNECTION_EVENT_DISCONNECTED,
                                         OnDisconnected, this);
    mDaemon = eldbus_object_get(mConn, "org.freedesktop.DBus", "/org/freedesktop/DBus");
    mDaemonProxy = mDaemon ? eldbus_proxy_get(mDaemon, "org.freedesktop.DBus") : nullptr;
    if (mReportedLocal)
        __dlog_print(LOG_ID_MAIN, DLOG_INFO, kTag,
                     "device bus reached: settings changes reach other processes again");
    mReportedLocal = false;
    bool any = false;
    for (auto& entry : mChannels) {
        if (entry.second->listeners > 0) {
            AddHandler(entry.first, entry.second.get());
            any = true;
        }
    }
    if (any)
        Sync();
    return true;
}

bool Notifier::Connected() {
    return EnsureConnected();
}

void Notifier::SetLostHandler(std::function<void()> handler) {
    mLost = std::move(handler);
}

void Notifier::AddHandler(const std::string& channel, ChannelState* state) {
    if (state->handler)
        return;
    state->handler = eldbus_signal_handler_add(mConn, nullptr, kSignalPath, kSignalInterface,
                                               kSignalMember, OnSignal, state);
    if (!state->handler) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag,
                     "cannot watch the device bus for changes of %s: they reach only the "
                     "callbacks of this process",
                     channel.c_str());
        return;
    }
    // The bus sends this process only the changes of the channels it listens to.
    eldbus_signal_handler_match_extra_set(state->handler, "arg0", channel.c_str(), nullptr);
}

// A round trip to the bus daemon: it handles one connection's messages in order, so once
// the reply is in, the match rules sent before are in force.
void Notifier::Sync() {
    if (!mDaemonProxy)
        return;
    Eldbus_Message* msg = eldbus_proxy_method_call_new(mDaemonProxy, "GetId");
    if (!msg)
        return;
    Eldbus_Message* reply = eldbus_proxy_send_and_block(mDaemonProxy, msg, 2000);
    const char* name = nullptr;
    const char* text = nullptr;
    if (!reply || eldbus_message_error_get(reply, &name, &text))
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag,
                     "the device bus did not confirm the settings watch (%s): changes made "
                     "right now may be missed",
                     text ? text : "no reply");
    if (reply)
        eldbus_message_unref(reply);
}

unsigned Notifier::Listen(const std::string& channel, Listener listener) {
    const unsigned id = mNextId++;
    mListeners[id] = Entry{channel, std::move(listener), mStamp};
    std::unique_ptr<ChannelState>& state = mChannels[channel];
    if (!state) {
        state.reset(new ChannelState());
        state->owner = this;
        state->channel = channel;
    }
    if (state->listeners++ == 0 && EnsureConnected() && !state->handler) {
        AddHandler(channel, state.get());
        Sync();
    }
    return id;
}

void Notifier::Unlisten(unsigned id) {
    Forked();
    auto it = mListeners.find(id);
    if (it == mListeners.end())
        return;
    auto channel = mChannels.find(it->second.channel);
    mListeners.erase(it);
    if (channel == mChannels.end())
        return;
    ChannelState* state = channel->second.get();
    if (--state->listeners > 0)
        return;
    if (state->handler)
        eldbus_signal_handler_del(state->handler);
    mChannels.erase(channel);
}

void Notifier::Publish(const std::string& channel, const std::string& key) {
    if (!eina_main_loop_is()) {
        ecore_main_loop_thread_safe_call_async(PublishFromThread, new ThreadPublish{channel, key});
        return;
    }
    auto state = mChannels.find(channel);
    if (state != mChannels.end() && state->second->listeners > 0)
        Enqueue(channel, key);
    if (EnsureConnected())
        Emit(channel, key);
}

void Notifier::PublishFromThread(void* data) {
    std::unique_ptr<ThreadPublish> change(static_cast<ThreadPublish*>(data));
    Instance().Publish(change->channel, change->key);
}

void Notifier::Emit(const std::string& channel, const std::string& key) {
    // D-Bus strings must be UTF-8; libdbus aborts the process on anything else.
    if (!g_utf8_validate(channel.data(), static_cast<gssize>(channel.size()), nullptr) ||
        !g_utf8_validate(key.data(), static_cast<gssize>(key.size()), nullptr)) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag,
                     "a change of %s with a key that is not UTF-8 reaches only this process",
                     channel.c_str());
        return;
    }
    Eldbus_Message* msg = eldbus_message_signal_new(kSignalPath, kSignalInterface, kSignalMember);
    if (!msg || !eldbus_message_arguments_append(msg, "ss", channel.c_str(), key.c_str())) {
        if (msg)
            eldbus_message_unref(msg);
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag,
                     "cannot make the change signal of %s %s: other processes miss it",
                     channel.c_str(), key.c_str());
        return;
    }
    eldbus_connection_send(mConn, msg, nullptr, nullptr, -1);
}

void Notifier::Enqueue(const std::string& channel, const std::string& key) {
    mPending.push_back(Change{channel, key, ++mStamp});
    if (!mJob)
        mJob = ecore_job_add(RunJob, this);
}

void Notifier::RunJob(void* data) {
    Notifier* self = static_cast<Notifier*>(data);
    self->mJob = nullptr;
    std::deque<Change> pending;
    pending.swap(self->mPending);
    for (const Change& change : pending) {
        // Listeners added after the change came wait for the next one; those removed
        // before their turn are skipped.
        std::vector<unsigned> ids;
        for (const auto& entry : self->mListeners) {
            if (entry.second.channel == change.channel && entry.second.since < change.stamp)
                ids.push_back(entry.first);
        }
        self->mDelivering = change.stamp;
        for (unsigned id : ids) {
            auto it = self->mListeners.find(id);
            if (it == self->mListeners.end())
                continue;
            // A copy: the listener may remove itself while it runs.
            Listener listener = it->second.listener;
            listener(change.channel, change.key);
        }
    }
}

void Notifier::OnSignal(void* data, const Eldbus_Message* msg) {
    ChannelState* state = static_cast<ChannelState*>(data);
    Notifier* self = state->owner;
    const char* sender = eldbus_message_sender_get(msg);
    if (sender && self->mUniqueName == sender)
        return; // delivered already when it was written
    const char* channel = nullptr;
    const char* key = nullptr;
    if (!eldbus_message_arguments_get(msg, "ss", &channel, &key)) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "ignored a malformed settings signal from %s",
                     sender ? sender : "?");
        return;
    }
    // Other channels' handlers see the same member; the match narrows only what the bus
    // sends, not which handler Eldbus calls.
    if (state->channel != channel)
        return;
    self->Enqueue(channel, key);
}

void Notifier::OnDisconnected(void* data, Eldbus_Connection*, void*) {
    Notifier* self = static_cast<Notifier*>(data);
    __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                 "lost the device bus: settings changes reach only the callbacks of this "
                 "process until it is back");
    self->mReportedLocal = true;
    // The connection is dropped outside its own event callback.
    if (!self->mDropJob)
        self->mDropJob = ecore_job_add(RunDrop, self);
}

void Notifier::RunDrop(void* data) {
    Notifier* self = static_cast<Notifier*>(data);
    self->mDropJob = nullptr;
    self->Drop();
    if (self->mLost) {
        std::function<void()> lost = self->mLost;
        lost();
    }
}

void Notifier::Drop() {
    if (!mConn)
        return;
    for (auto& entry : mChannels) {
        if (entry.second->handler)
            eldbus_signal_handler_del(entry.second->handler);
        entry.second->handler = nullptr;
    }
    eldbus_connection_event_callback_del(mConn, ELDBUS_CONNECTION_EVENT_DISCONNECTED,
                                         OnDisconnected, this);
    if (mDaemon)
        eldbus_object_unref(mDaemon);
    mDaemon = nullptr;
    mDaemonProxy = nullptr;
    bus::Release(mConn);
    mConn = nullptr;
    mUniqueName.clear();
}

} // namespace settings
} // namespace watch
