#include "files/seam.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/log.h"

namespace {

using Fn = int (*)();
int One() { return 1; }
int Two() { return 2; }
int Three() { return 3; }

// What the slot serves: 0 when empty, else what the installed function returns.
int Served(const vK_Seam<Fn>& seam) {
    const Fn fn = seam.Get();
    return fn ? fn() : 0;
}

}  // namespace

// The latest registration still alive serves; undoing any registration (reset, destroyed,
// replaced by a move) takes only its own value out, and a moved-from one undoes nothing.
TEST(Seam, LatestLiveInstallServesAndEachUndoesOnlyItself) {
    enum Op { kInstall, kReset, kMove };  // kMove: registration `to` takes over `slot`'s
    struct Step {
        Op op;
        int slot;
        Fn value;  // kInstall
        int to;    // kMove
        int served;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int servedAtEnd;  // after every registration is destroyed
    };
    const std::vector<Case> cases = {
        {"one install, undone", {{kInstall, 0, One, 0, 1}, {kReset, 0, nullptr, 0, 0}}, 0},
        {"undone while installed", {{kInstall, 0, One, 0, 1}}, 0},
        {"older undone first",
         {{kInstall, 0, One, 0, 1},
          {kInstall, 1, Two, 0, 2},
          {kReset, 0, nullptr, 0, 2},
          {kReset, 1, nullptr, 0, 0}},
         0},
        {"newer undone first hands back",
         {{kInstall, 0, One, 0, 1},
          {kInstall, 1, Two, 0, 2},
          {kReset, 1, nullptr, 0, 1},
          {kReset, 0, nullptr, 0, 0}},
         0},
        {"moved registration keeps the value",
         {{kInstall, 0, One, 0, 1},
          {kMove, 0, nullptr, 2, 1},
          {kReset, 0, nullptr, 0, 1},
          {kReset, 2, nullptr, 0, 0}},
         0},
        {"install over a registration replaces its value on top",
         {{kInstall, 0, One, 0, 1},
          {kInstall, 1, Two, 0, 2},
          {kInstall, 0, Three, 0, 3},
          {kReset, 1, nullptr, 0, 3}},
         0},
        {"moving onto a live registration undoes its value",
         {{kInstall, 0, One, 0, 1},
          {kInstall, 1, Two, 0, 2},
          {kMove, 0, nullptr, 1, 1},
          {kReset, 0, nullptr, 0, 1}},
         0},
        {"reset twice",
         {{kInstall, 0, Two, 0, 2}, {kReset, 0, nullptr, 0, 0}, {kReset, 0, nullptr, 0, 0}},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vK_Seam<Fn> seam("test seam");
        {
            vK_Seam<Fn>::Registration slots[3];
            for (size_t i = 0; i < c.steps.size(); ++i) {
                const Step& s = c.steps[i];
                if (s.op == kInstall) slots[s.slot] = seam.Install(s.value);
                if (s.op == kReset) slots[s.slot].Reset();
                if (s.op == kMove) slots[s.to] = std::move(slots[s.slot]);
                EXPECT_EQ(Served(seam), s.served) << "step " << i;
                EXPECT_EQ(seam.Installed(), s.served != 0) << "step " << i;
            }
        }
        EXPECT_EQ(Served(seam), c.servedAtEnd);
    }

    // A full slot refuses one more install with a log line; the refused registration is
    // empty and undoing it changes nothing.
    vK_Seam<Fn> seam("test seam");
    std::vector<vK_Seam<Fn>::Registration> live;
    for (size_t i = 0; i < vK_Seam<Fn>::kDepth; ++i) live.push_back(seam.Install(i % 2 ? Two : One));
    vK_LogCapture log;
    vK_Seam<Fn>::Registration refused = seam.Install(Three);
    EXPECT_FALSE(refused.Active());
    EXPECT_EQ(log.Text(), "Error: test seam: 8 installs are alive already; this one is refused");
    EXPECT_EQ(Served(seam), 2);
    refused.Reset();
    live.back().Reset();
    EXPECT_EQ(Served(seam), 1);
}
