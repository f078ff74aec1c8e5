#include "core/mediator.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/listener_base.h"
#include "core/message_ids.h"
#include "files/live_counts.h"

namespace {

vK_MessageId kPing("Test_Ping");
vK_MessageId kPong("Test_Pong");
vK_MessageId kEmpty("");

// A receiver that records what it gets and runs an optional action per delivery.
class Recorder : public vK_ListenerBase {
public:
    Recorder(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override {
        if (MapMessage(id, kPing)) {
            log_->push_back(name_ + ":" + id.GetName());
            if (action) action(payload);
        }
        if (MapMessage(id, kPong)) log_->push_back(name_ + ":" + id.GetName());
    }
    std::function<void(vK_DataTable*)> action;

private:
    std::string name_;
    std::vector<std::string>* log_;
};

// A script handle stand-in: two handles are the same function when their keys match.
class FakeScript : public vK_ScriptInterface {
public:
    explicit FakeScript(int key) : key(key) {}
    bool IsEmpty() const override { return false; }
    int key;
};

vK_DataScriptFunction MakeFunction(int key) {
    return vK_DataScriptFunction(std::make_shared<FakeScript>(key));
}

std::vector<std::string> g_script_calls;
std::vector<std::string> g_globals;

struct ScriptHooksScope {
    ScriptHooksScope() {
        vK_MediatorScriptHooks hooks;
        hooks.call = [](const vK_DataScriptFunction& fn, vK_DataArray& args) {
            auto* script = static_cast<FakeScript*>(fn.GetHandle().get());
            vK_DataTable* table = args.GetAt(1)->AsTable();
            g_script_calls.push_back(std::to_string(script->key) + ":" + args.GetAt(0)->ToString() + ":" +
                                     std::to_string(table ? table->Size() : 99));
            if (table) table->SetInt("script_wrote", 1);
        };
        hooks.same = [](const vK_DataScriptFunction& a, const vK_DataScriptFunction& b) {
            return static_cast<FakeScript*>(a.GetHandle().get())->key ==
                   static_cast<FakeScript*>(b.GetHandle().get())->key;
        };
        hooks.set_global = [](const std::string& name) { g_globals.push_back(name); };
        registration = vK_Mediator::ScriptHookSeam().Install(hooks);
        g_script_calls.clear();
        g_globals.clear();
    }
    vK_Seam<vK_MediatorScriptHooks>::Registration registration;
};

}  // namespace

TEST(Mediator, SubscribeTwiceKeepsOneAndOneUnsubscribeRemovesIt) {
    vK_Mediator mediator;
    std::vector<std::string> log;
    Recorder a("a", &log);
    mediator.Subscribe(kPing, &a);
    mediator.Subscribe(kPing, &a);
    EXPECT_EQ(mediator.CountListeners(kPing), 1u);
    mediator.Send(kPing, nullptr);
    EXPECT_EQ(log, std::vector<std::string>({"a:Test_Ping"}));
    mediator.Unsubscribe(kPing, &a);
    EXPECT_EQ(mediator.CountListeners(kPing), 0u);
    mediator.Send(kPing, nullptr);
    EXPECT_EQ(log.size(), 1u);
}

TEST(Mediator, MessageMapSubscribesAndUnsubscribesAllItsMessages) {
    vK_Mediator mediator;
    std::vector<std::string> log;
    Recorder a("a", &log);
    a.InitializeListener();
    EXPECT_EQ(mediator.CountListeners(kPing), 1u);
    EXPECT_EQ(mediator.CountListeners(kPong), 1u);
    mediator.Send(kPong, nullptr);
    a.DestroyListener();
    EXPECT_EQ(mediator.CountListeners(kPing), 0u);
    EXPECT_EQ(mediator.CountListeners(kPong), 0u);
    EXPECT_EQ(log, std::vector<std::string>({"a:Test_Pong"}));
}

TEST(Mediator, DestroyedReceiverLosesAllSubscriptions) {
    vK_Mediator mediator;
    std::vector<std::string> log;
    {
        Recorder a("a", &log);
        a.InitializeListener();
    }
    EXPECT_EQ(mediator.CountListeners(kPing), 0u);
    mediator.Send(kPing, nullptr);
    EXPECT_TRUE(log.empty());
}

TEST(Mediator, ReentrantSendDeliversOverTheListAsSent) {
    ScriptHooksScope hooks;
    vK_Mediator mediator;
    std::vector<std::string> log;
    Recorder a("a", &log), b("b", &log), c("c", &log);
    mediator.Subscribe(kPing, &a);
    mediator.Subscribe(kPing, &b);
    mediator.SubscribeScript("Test_Ping", MakeFunction(3));
    // a removes b and the script and adds c: b and the script are still called in this
    // delivery (it runs over the list as it was sent), c only from the next one.
    a.action = [&](vK_DataTable*) {
        mediator.Unsubscribe(kPing, &b);
        mediator.UnsubscribeScript("Test_Ping", MakeFunction(3));
        mediator.Subscribe(kPing, &c);
        a.action = nullptr;
    };
    mediator.Send(kPing, nullptr);
    EXPECT_EQ(log, std::vector<std::string>({"a:Test_Ping", "b:Test_Ping"}));
    EXPECT_EQ(g_script_calls, std::vector<std::string>({"3:Test_Ping:0"}));
    log.clear();
    g_script_calls.clear();
    mediator.Send(kPing, nullptr);
    EXPECT_EQ(log, std::vector<std::string>({"a:Test_Ping", "c:Test_Ping"}));
    EXPECT_TRUE(g_script_calls.empty());
}

TEST(Mediator, ScriptStateDroppedMidSendIsNotCalled) {
    ScriptHooksScope hooks;
    vK_Mediator mediator;
    std::vector<std::string> log;
    Recorder a("a", &log);
    mediator.Subscribe(kPing, &a);
    mediator.SubscribeScript("Test_Ping", MakeFunction(4));
    a.action = [&](vK_DataTable*) { mediator.DropScriptListeners(); };
    mediator.Send(kPing, nullptr);
    EXPECT_TRUE(g_script_calls.empty());
}

TEST(Mediator, ReceiverDeletedMidSendIsNotCalled) {
    vK_Mediator mediator;
    std::vector<std::string> log;
    Recorder a("a", &log);
    auto* b = new Recorder("b", &log);
    Recorder c("c", &log);
    mediator.Subscribe(kPing, &a);
    mediator.Subscribe(kPing, b);
    mediator.Subscribe(kPing, &c);
    a.action = [&](vK_DataTable*) { delete b; };  // ASan catches a call into freed memory
    mediator.Send(kPing, nullptr);
    EXPECT_EQ(log, std::vector<std::string>({"a:Test_Ping", "c:Test_Ping"}));
}

TEST(Mediator, ReceiverSendingFurtherMessagesDeliversDepthFirst) {
    vK_Mediator mediator;
    std::vector<std::string> log;
    Recorder a("a", &log), b("b", &log);
    mediator.Subscribe(kPing, &a);
    mediator.Subscribe(kPong, &b);
    mediator.Subscribe(kPing, &b);
    a.action = [&](vK_DataTable*) { mediator.Send(kPong, nullptr); };
    mediator.Send(kPing, nullptr);
    EXPECT_EQ(log, std::vector<std::string>({"a:Test_Ping", "b:Test_Pong", "b:Test_Ping"}));
}

TEST(Mediator, RequestAnswerIsSeenBySenderButScriptWorksOnCopy) {
    ScriptHooksScope hooks;
    vK_Mediator mediator;
    std::vector<std::string> log;
    Recorder a("a", &log);
    a.action = [](vK_DataTable* payload) { payload->SetFloat("scale_x", 2.5f); };
    mediator.Subscribe(kPing, &a);
    mediator.SubscribeScript("Test_Ping", MakeFunction(7));
    vK_DataTable request;
    mediator.Send(kPing, &request);
    EXPECT_FLOAT_EQ(FindFloat(&request, "scale_x", 0), 2.5f);
    EXPECT_FALSE(request.Has("script_wrote"));
    // The script saw the native answer (one key) in its clone.
    EXPECT_EQ(g_script_calls, std::vector<std::string>({"7:Test_Ping:1"}));
}

TEST(Mediator, ScriptSubscribersInOrderWithoutDuplicatesAndDropped) {
    ScriptHooksScope hooks;
    vK_Mediator mediator;
    mediator.SubscribeScript("Script_Only", MakeFunction(1));
    mediator.SubscribeScript("Script_Only", MakeFunction(2));
    mediator.SubscribeScript("Script_Only", MakeFunction(1));
    vK_MessageId* id = mediator.GetMessageId("Script_Only");
    EXPECT_EQ(mediator.CountListeners(*id), 2u);
    mediator.Send(*id, nullptr);  // a null payload reaches scripts as an empty table
    EXPECT_EQ(g_script_calls, std::vector<std::string>({"1:Script_Only:0", "2:Script_Only:0"}));
    mediator.UnsubscribeScript("Script_Only", MakeFunction(1));
    EXPECT_EQ(mediator.CountListeners(*id), 1u);
    mediator.DropScriptListeners();
    EXPECT_EQ(mediator.CountListeners(*id), 0u);
}

// A level notes the next serial when it starts and drops the script subscriptions made
// from it on when it closes: earlier ones and native receivers stay.
TEST(Mediator, ScriptSubscriptionsFromASerialOnAreDropped) {
    ScriptHooksScope hooks;
    vK_Mediator mediator;
    std::vector<std::string> log;
    Recorder native("native", &log);
    vK_MessageId* id = mediator.GetMessageId("Script_Scoped");
    mediator.Subscribe(*id, &native);
    const int64_t live = vK_LiveCounts::Get(vK_LiveKind::ScriptSubscription);
    mediator.SubscribeScript("Script_Scoped", MakeFunction(1));
    const uint64_t mark = mediator.GetNextScriptSerial();
    mediator.SubscribeScript("Script_Scoped", MakeFunction(2));
    mediator.SubscribeScript("Script_Other", MakeFunction(3));
    EXPECT_EQ(vK_LiveCounts::Get(vK_LiveKind::ScriptSubscription) - live, 3);
    mediator.DropScriptListenersFrom(mark);
    EXPECT_EQ(vK_LiveCounts::Get(vK_LiveKind::ScriptSubscription) - live, 1);
    EXPECT_EQ(mediator.CountListeners(*id), 2u);  // the native receiver and the first function
    EXPECT_EQ(mediator.CountListeners(*mediator.GetMessageId("Script_Other")), 0u);
    mediator.Send(*id, nullptr);
    EXPECT_EQ(g_script_calls, std::vector<std::string>({"1:Script_Scoped:0"}));
    mediator.Unsubscribe(*id, &native);
}

TEST(Mediator, DynamicIdsAreMadeOnceWithScriptGlobal) {
    ScriptHooksScope hooks;
    std::string name = "Event_Test_Dynamic";
    {
        vK_Mediator mediator;
        vK_MessageId* first = mediator.GetMessageId(name);
        EXPECT_EQ(mediator.GetMessageId(name), first);
        EXPECT_EQ(vK_MessageId::Find(name), first);
        EXPECT_EQ(g_globals, std::vector<std::string>({name}));
        // A static id is returned as is; the null id never resolves to the static one.
        EXPECT_EQ(mediator.GetMessageId("Command_ShowSubtitles"), &MSG_Command_ShowSubtitles);
        EXPECT_NE(mediator.GetMessageId("Message_Null"), &MSG_Message_Null);
    }
    EXPECT_EQ(vK_MessageId::Find(name), nullptr);  // released with the mediator
}

TEST(Mediator, EmptyNamedIdIsInert) {
    vK_Mediator mediator;
    std::vector<std::string> log;
    Recorder a("a", &log);
    mediator.Subscribe(kEmpty, &a);
    EXPECT_EQ(mediator.CountListeners(kEmpty), 0u);
    mediator.Send(kEmpty, nullptr);
    EXPECT_TRUE(log.empty());
}
