// What bad input gets: malformed messages on the bus, out-of-range requests, malformed
// replies. Always an error answer and one log line; never a crash.
#include "AppfwFixture.h"
#include "LoopUtil.h"
#include "watch_appfw.h"
#include "watch_bus.h"

#include <Eldbus.h>

using namespace appfwtest;

namespace {

struct Answer {
    bool done = false;
    std::string errorName;
    std::string signature;
};

// Raw messages on this process's own connection to the device bus.
class RawBus {
  public:
    RawBus() : mConnection(watch::bus::Connect()) {}
    ~RawBus() { watch::bus::Release(mConnection); }
    Eldbus_Connection* Connection() const { return mConnection; }

    Eldbus_Message* Method(const std::string& destination, const char* member) {
        return eldbus_message_method_call_new(destination.c_str(), watch::appfw::kObjectPath,
                                              watch::appfw::kInterface, member);
    }
    Answer Call(Eldbus_Message* msg) {
        Answer answer;
        eldbus_connection_send(
            mConnection, msg,
            [](void* data, const Eldbus_Message* reply, Eldbus_Pending*) {
                Answer* a = static_cast<Answer*>(data);
                const char *name = nullptr, *text = nullptr;
                if (eldbus_message_error_get(reply, &name, &text))
                    a->errorName = name ? name : "?";
                a->signature = eldbus_message_signature_get(reply);
                a->done = true;
            },
            &answer, 10000);
        EXPECT_TRUE(watchtest::RunLoopUntil([&] { return answer.done; }, 10));
        return answer;
    }

  private:
    Eldbus_Connection* mConnection;
};

// Builds an a{sv} request field by field.
class RequestBuilder {
  public:
    explicit RequestBuilder(Eldbus_Message* msg)
        : mMsg(msg), mTop(eldbus_message_iter_get(msg)),
          mDict(eldbus_message_iter_container_new(mTop, 'a', "{sv}")) {}
    // One field of a basic type: sig is its D-Bus type ("s", "b", "i").
    template <typename T> RequestBuilder& Field(const char* key, const char* sig, T value) {
        Eldbus_Message_Iter *entry = Open(key),
                            *v = eldbus_message_iter_container_new(entry, 'v', sig);
        eldbus_message_iter_basic_append(v, sig[0], value);
        return Close(entry, v);
    }
    RequestBuilder& Extras(const std::vector<std::pair<std::string, std::string>>& extras) {
        Eldbus_Message_Iter *entry = Open("extras"),
                            *v = eldbus_message_iter_container_new(entry, 'v', "a{ss}");
        Eldbus_Message_Iter* array = eldbus_message_iter_container_new(v, 'a', "{ss}");
        for (const auto& e : extras) {
            Eldbus_Message_Iter* pair = eldbus_message_iter_container_new(array, 'e', nullptr);
            eldbus_message_iter_arguments_append(pair, "ss", e.first.c_str(), e.second.c_str());
            eldbus_message_iter_container_close(array, pair);
        }
        eldbus_message_iter_container_close(v, array);
        return Close(entry, v);
    }
    Eldbus_Message* Done() {
        eldbus_message_iter_container_close(mTop, mDict);
        return mMsg;
    }

  private:
    Eldbus_Message_Iter* Open(const char* key) {
        Eldbus_Message_Iter* entry = eldbus_message_iter_container_new(mDict, 'e', nullptr);
        eldbus_message_iter_basic_append(entry, 's', key);
        return entry;
    }
    RequestBuilder& Close(Eldbus_Message_Iter* entry, Eldbus_Message_Iter* v) {
        eldbus_message_iter_container_close(entry, v);
        eldbus_message_iter_container_close(mDict, entry);
        return *this;
    }
    Eldbus_Message* mMsg;
    Eldbus_Message_Iter* mTop;
    Eldbus_Message_Iter* mDict;
};

} // namespace

TEST_F(AppfwTest, MalformedLaunchRequestsGetAnErrorAndOneLogLine) {
    Prepare();
    const int pid = std::stoi(Launch(kService, {})->extras.at("pid"));
    RawBus bus;
    const std::string name = watch::appfw::BusName(kService);
    std::vector<std::pair<std::string, std::string>> many;
    for (size_t i = 0; i <= watch::appfw::kMaxExtras; ++i) // one more than allowed
        many.emplace_back("k" + std::to_string(i), "v");

    struct Case {
        const char* what;
        std::function<void(RequestBuilder&)> fields;
        const char* logged;
    } cases[] = {
        {"no reply field", [](RequestBuilder& b) { b.Extras({}); }, "\"reply\" is missing"},
        {"no extras field", [](RequestBuilder& b) { b.Field("reply", "b", EINA_TRUE); },
         "\"extras\" is missing"},
        {"reply of the wrong type",
         [](RequestBuilder& b) { b.Field("reply", "s", "yes").Extras({}); },
         "\"reply\" is not a boolean"},
        {"extras of the wrong type",
         [](RequestBuilder& b) { b.Field("reply", "b", EINA_TRUE).Field("extras", "s", "k=v"); },
         "\"extras\" is not an a{ss}"},
        {"operation of the wrong type",
         [](RequestBuilder& b) {
             b.Field("operation", "i", 7).Field("reply", "b", EINA_TRUE).Extras({});
         },
         "\"operation\" is not a string"},
        {"an empty key",
         [](RequestBuilder& b) {
             b.Field("reply", "b", EINA_TRUE).Extras({{"", "v"}});
         },
         "empty key"},
        {"extras beyond the size limit",
         [](RequestBuilder& b) {
             b.Field("reply", "b", EINA_TRUE)
                 .Extras({{"a", std::string(40000, 'a')}, {"b", std::string(40000, 'b')}});
         },
         "exceed"},
        {"too many extras",
         [&](RequestBuilder& b) { b.Field("reply", "b", EINA_TRUE).Extras(many); },
         "more than 1024 extras"},
    };
    for (const Case& c : cases) {
        RequestBuilder request(bus.Method(name, "Launch"));
        c.fields(request);
        Answer answer = bus.Call(request.Done());
        EXPECT_EQ(answer.errorName, watch::appfw::kErrorInvalidRequest) << c.what;
        EXPECT_TRUE(WaitForLog("WATCH-APPFW", c.logged, pid)) << c.what;
        EXPECT_EQ(CountLog("WATCH-APPFW", c.logged, pid), 1) << c.what;
    }

    // Wrong argument types are turned away by the bus binding itself.
    Eldbus_Message* wrong = bus.Method(name, "Launch");
    eldbus_message_arguments_append(wrong, "is", 3, "three");
    EXPECT_EQ(bus.Call(wrong).errorName, "org.freedesktop.DBus.Error.InvalidSignature");
    EXPECT_NE(bus.Call(bus.Method(name, "NoSuchMethod")).errorName, "");

    // Unknown fields are ignored; the application still serves requests normally.
    Answer fine = bus.Call(RequestBuilder(bus.Method(name, "Launch"))
                               .Field("later", "s", "field")
                               .Field("reply", "b", EINA_TRUE)
                               .Extras({{"k", "v"}})
                               .Done());
    EXPECT_EQ(fine.errorName, "");
    EXPECT_EQ(fine.signature, "ia{ss}");
    EXPECT_TRUE(Alive(pid));
    EXPECT_EQ(CountLog("WATCH-APPFW", "malformed launch request", pid), int(std::size(cases)));
    // Only the two good requests reached the application.
    EXPECT_EQ(Join(Lifecycle(AppLines(pid))), "create app_control app_control");
}

TEST_F(AppfwTest, BadWindowRequestsAreRefused) {
    Prepare();
    const int ui = std::stoi(Launch(kUi, {})->extras.at("pid"));
    const int service = std::stoi(Launch(kService, {})->extras.at("pid"));
    RawBus bus;
    const std::string uiName = watch::appfw::BusName(kUi);
    auto build = [&](const char* member, const char* sig, auto... args) {
        Eldbus_Message* msg = bus.Method(uiName, member);
        eldbus_message_arguments_append(msg, sig, args...);
        return msg;
    };
    const struct {
        Eldbus_Message* msg;
        const char* logged;
    } cases[] = {
        {build("Key", "s", ""), "not a key name"},
        {build("Key", "s", "Esc ape\n"), "not a key name"},
        {build("Rotary", "bu", EINA_TRUE, 0u), "notches must be 1 to 1000"},
        {build("Tap", "ii", 5000000, 1), "far off the screen"},
        {build("Screenshot", "s", "relative.png"), "must be absolute"},
        {build("Screenshot", "s", "/tmp/shot.jpg"), "must be absolute"},
        {build("Screenshot", "s", "/nonexistent/dir/shot.png"), "cannot write"},
    };
    int refused = 0;
    for (const auto& c : cases) {
        EXPECT_NE(bus.Call(c.msg).errorName, "") << c.logged;
        EXPECT_TRUE(WaitForLog("WATCH-APPFW", "refused", ui, ++refused)) << c.logged;
        EXPECT_GE(CountLog("WATCH-APPFW", c.logged, ui), 1) << c.logged;
    }
    EXPECT_EQ(CountLog("WATCH-APPFW", "refused", ui), refused);

    // A service application has no window to give input to.
    Eldbus_Message* tap = bus.Method(watch::appfw::BusName(kService), "Tap");
    eldbus_message_arguments_append(tap, "ii", 1, 1);
    EXPECT_EQ(bus.Call(tap).errorName, watch::appfw::kErrorNoWindow);
    EXPECT_TRUE(WaitForLog("WATCH-APPFW", "has no window", service));
    EXPECT_TRUE(Alive(ui));
    EXPECT_TRUE(Alive(service));
}

namespace {

// This process stands in for test.appfw.ui2 and answers every launch with gAnswer.
Eldbus_Message* (*gAnswer)(const Eldbus_Message*) = nullptr;
Eldbus_Message* FakeLaunch(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    return gAnswer(msg);
}

const Eldbus_Arg_Info kAnyRequest[] = {{"a{sv}", "request"}, {nullptr, nullptr}};
const Eldbus_Method kFakeMethods[] = {{"Launch", kAnyRequest, nullptr, FakeLaunch, 0},
                                      {nullptr, nullptr, nullptr, nullptr, 0}};
const Eldbus_Service_Interface_Desc kFakeDesc = {
    watch::appfw::kInterface, kFakeMethods, nullptr, nullptr, nullptr, nullptr};

} // namespace

TEST_F(AppfwTest, MalformedRepliesGiveTheCallerAFailure) {
    Prepare();
    RawBus bus;
    Eldbus_Service_Interface* iface =
        eldbus_service_interface_register(bus.Connection(), watch::appfw::kObjectPath, &kFakeDesc);
    bool owned = false;
    eldbus_name_request(
        bus.Connection(), watch::appfw::BusName(kUi2).c_str(),
        ELDBUS_NAME_REQUEST_FLAG_DO_NOT_QUEUE,
        [](void* data, const Eldbus_Message*, Eldbus_Pending*) {
            *static_cast<bool*>(data) = true;
        },
        &owned);
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return owned; }));

    struct Case {
        const char* what;
        Eldbus_Message* (*answer)(const Eldbus_Message*);
        const char* logged;
    } cases[] = {
        {"an empty answer",
         [](const Eldbus_Message* m) { return eldbus_message_method_return_new(m); },
         "malformed reply: the reply has the signature \"\""},
        {"a string for a result",
         [](const Eldbus_Message* m) {
             Eldbus_Message* r = eldbus_message_method_return_new(m);
             eldbus_message_arguments_append(r, "s", "ok");
             return r;
         },
         "malformed reply: the reply has the signature \"s\""},
        {"an unknown result",
         [](const Eldbus_Message* m) {
             Eldbus_Message* r = eldbus_message_method_return_new(m);
             Eldbus_Message_Iter* top = eldbus_message_iter_get(r);
             eldbus_message_iter_basic_append(top, 'i', 42);
             Eldbus_Message_Iter* array = eldbus_message_iter_container_new(top, 'a', "{ss}");
             eldbus_message_iter_container_close(top, array);
             return r;
         },
         "unknown result 42"},
        {"an error",
         [](const Eldbus_Message* m) {
             return eldbus_message_error_new(m, "test.Error.Nope", "not today");
         },
         "not today"},
    };
    for (const Case& c : cases) {
        gAnswer = c.answer;
        auto reply = Launch(kUi2, {});
        EXPECT_TRUE(reply->called) << c.what;
        EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED) << c.what;
        EXPECT_FALSE(reply->hasReply) << c.what;
        EXPECT_EQ(CountLog("WATCH-APPFW", c.logged, getpid()), 1) << c.what;
    }
    eldbus_service_interface_unregister(iface);
}
