#include "app/request_gate.h"

#include <gtest/gtest.h>

#include "resources/resource.h"

namespace voltrak {
namespace {

TEST(RequestGate, NothingIsHeldOutsideALoad) {
  RequestGate gate;
  EXPECT_FALSE(gate.HoldCommand(IDC_OPEN, 0));
  EXPECT_FALSE(gate.HoldLoad("C:\\a.m3u"));
  EXPECT_FALSE(gate.HoldDrop({"C:\\a.m3u"}, true, 0));
  EXPECT_FALSE(gate.HoldClose());
  EXPECT_FALSE(gate.HoldPlan());
  EXPECT_FALSE(gate.HoldRewrite());
  EXPECT_EQ(gate.HeldCount(), 0u);
  EXPECT_FALSE(gate.TakeNext());
}

TEST(RequestGate, ListChangesWaitAndRunInArrivalOrderAfterTheLoad) {
  RequestGate gate;
  gate.BeginWork();
  EXPECT_TRUE(gate.HoldCommand(IDC_RESET, 0));
  EXPECT_TRUE(gate.HoldDrop({"C:\\a.m3u", "C:\\b.m3u"}, true, IDC_CREATE_HTML));
  EXPECT_TRUE(gate.HoldLoad("C:\\a.m3u"));
  EXPECT_TRUE(gate.HoldCommand(IDC_CREATE_HTML, 0));
  EXPECT_TRUE(gate.HoldClose());
  // A plan or a rewrite asked for from outside waits too, once.
  EXPECT_TRUE(gate.HoldRewrite());
  EXPECT_TRUE(gate.HoldPlan());
  EXPECT_TRUE(gate.HoldRewrite());
  EXPECT_TRUE(gate.HoldPlan());
  EXPECT_EQ(gate.HeldCount(), 7u);
  // Switches and planning controls are not held.
  EXPECT_FALSE(gate.HoldCommand(IDC_ALWAYS_ON_TOP, 0));
  EXPECT_FALSE(gate.HoldCommand(IDC_FILL_MODE, 1));
  EXPECT_FALSE(gate.TakeNext()) << "nothing runs inside the load";
  gate.EndWork();

  auto first = gate.TakeNext();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->What, HeldRequest::Kind::kCommand);
  EXPECT_EQ(first->Command, uint32_t{IDC_RESET});
  auto drop = gate.TakeNext();
  ASSERT_TRUE(drop);
  EXPECT_EQ(drop->What, HeldRequest::Kind::kDrop);
  EXPECT_EQ(drop->Files, (std::vector<std::string>{"C:\\a.m3u", "C:\\b.m3u"}));
  EXPECT_TRUE(drop->DropInClient);
  EXPECT_EQ(drop->DropChild, uint32_t{IDC_CREATE_HTML});
  EXPECT_EQ(gate.TakeNext()->What, HeldRequest::Kind::kLoad);
  EXPECT_EQ(gate.TakeNext()->Command, uint32_t{IDC_CREATE_HTML});
  EXPECT_EQ(gate.TakeNext()->What, HeldRequest::Kind::kClose);
  EXPECT_EQ(gate.TakeNext()->What, HeldRequest::Kind::kRewrite);
  EXPECT_EQ(gate.TakeNext()->What, HeldRequest::Kind::kPlan);
  EXPECT_FALSE(gate.TakeNext());
}

TEST(RequestGate, ALoadStartedWhileDrainingHoldsTheRest) {
  RequestGate gate;
  gate.BeginWork();
  gate.HoldLoad("C:\\a.m3u");
  gate.HoldCommand(IDC_PRINT, 0);
  gate.EndWork();
  ASSERT_TRUE(gate.TakeNext());  // the reload starts...
  gate.BeginWork();
  EXPECT_FALSE(gate.TakeNext());  // ...and Print waits for it too
  EXPECT_TRUE(gate.HoldCommand(IDC_REOPEN, 0));
  gate.EndWork();
  EXPECT_EQ(gate.TakeNext()->Command, uint32_t{IDC_PRINT});
  EXPECT_EQ(gate.TakeNext()->Command, uint32_t{IDC_REOPEN});
}

TEST(RequestGate, NestedWorkHoldsUntilTheOutermostEnds) {
  RequestGate gate;
  gate.BeginWork();  // a load...
  gate.BeginWork();  // ...and the rewrite's reload inside it
  EXPECT_TRUE(gate.HoldCommand(IDC_RESET, 0));
  gate.EndWork();
  EXPECT_TRUE(gate.Busy());
  EXPECT_FALSE(gate.TakeNext());
  gate.EndWork();
  EXPECT_EQ(gate.TakeNext()->Command, uint32_t{IDC_RESET});
}

TEST(RequestGate, AReloadOfAWaitingPathIsNotQueuedTwice) {
  RequestGate gate;
  gate.BeginWork();
  EXPECT_TRUE(gate.HoldLoad("C:\\a.m3u"));
  EXPECT_TRUE(gate.HoldCommand(IDC_PRINT, 0));
  EXPECT_TRUE(gate.HoldLoad("C:\\a.m3u"));
  EXPECT_TRUE(gate.HoldLoad("C:\\b.m3u"));
  EXPECT_EQ(gate.HeldCount(), 3u);
}

TEST(RequestGate, TheRepeatedOutputPassesOnceWhileTheRestWaits) {
  RequestGate gate;
  gate.BeginWork();
  gate.PassOnce(IDC_CREATE_HTML);
  EXPECT_TRUE(gate.HoldCommand(IDC_RESET, 0));
  EXPECT_FALSE(gate.HoldCommand(IDC_CREATE_HTML, 0));
  EXPECT_TRUE(gate.HoldCommand(IDC_CREATE_HTML, 0)) << "the pass is for one run only";
}

}  // namespace
}  // namespace voltrak
