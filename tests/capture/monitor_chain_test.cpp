// The monitor's place in the real clipboard viewer chain: what it passes on, to whom, with which
// parameters, and what the chain looks like after it stops.
#include <gtest/gtest.h>

#include "app/history_list.h"
#include "capture/clipboard_monitor.h"
#include "tests/capture/capture_fixture.h"

using namespace capture_test;

namespace {

class MonitorChain : public ::testing::Test {
 protected:
  void SetUp() override { RemoveDatabase(); }
};

TEST_F(MonitorChain, StartJoinsTheChainAndInstallsTheProcedureStopPutsBothBack) {
  TestMainWindow main;
  TestViewer viewer;
  ASSERT_FALSE(IsMonitoring());
  StartMonitoring();
  EXPECT_TRUE(IsMonitoring());
  EXPECT_EQ(GetClipboardViewer(), main.window());
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(main.window(), GWLP_WNDPROC)), &MonitorWindowProc);
  // Joining sent WM_DRAWCLIPBOARD to the ordinary procedure, before MonitorWindowProc was in place.
  ASSERT_EQ(main.ordinaryChainMessages().size(), 1u);
  EXPECT_EQ(main.ordinaryChainMessages()[0].message, static_cast<UINT>(WM_DRAWCLIPBOARD));

  StopMonitoring();
  EXPECT_FALSE(IsMonitoring());
  EXPECT_EQ(GetClipboardViewer(), viewer.window());
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(main.window(), GWLP_WNDPROC)),
            TestMainWindow::OrdinaryProcedure());
}

TEST_F(MonitorChain, StartWhileOnAndStopWhileOffDoNothing) {
  TestMainWindow main;
  TestViewer viewer;
  StopMonitoring();
  EXPECT_FALSE(IsMonitoring());
  EXPECT_EQ(GetClipboardViewer(), viewer.window());
  StartMonitoring();
  StartMonitoring();
  EXPECT_EQ(GetClipboardViewer(), main.window());
  StopMonitoring();
  // A second start would have made the main window its own next viewer: the chain goes on to the viewer.
  EXPECT_EQ(GetClipboardViewer(), viewer.window());
}

TEST_F(MonitorChain, TheMenuCommandsSetTheItemsThenStartOrStop) {
  TestMainWindow main;
  bool startDisabled = false;
  bool stopDisabled = true;
  OnStartMonitoringCommand({startDisabled, stopDisabled});
  EXPECT_TRUE(startDisabled);
  EXPECT_FALSE(stopDisabled);
  EXPECT_TRUE(IsMonitoring());
  OnStopMonitoringCommand({startDisabled, stopDisabled});
  EXPECT_FALSE(startDisabled);
  EXPECT_TRUE(stopDisabled);
  EXPECT_FALSE(IsMonitoring());
}

TEST_F(MonitorChain, AClipboardChangeIsPassedOnWithTheSameParametersAfterItsRowExists) {
  TestMainWindow main;
  TestViewer viewer;
  ClipboardWriter writer;
  StartMonitoring();
  SentMessageLog log;
  int rowsWhenPassedOn = -1;
  viewer.onDrawClipboard = [&] { rowsWhenPassedOn = RowCount(main.list()); };

  writer.WriteText("pass-on check");
  ASSERT_TRUE(PumpUntil([&] { return viewer.CountOf(WM_DRAWCLIPBOARD) > 0; }));
  EXPECT_EQ(rowsWhenPassedOn, 1);
  const auto toMain = log.To(main.window(), WM_DRAWCLIPBOARD);
  const auto toViewer = log.To(viewer.window(), WM_DRAWCLIPBOARD);
  ASSERT_FALSE(toMain.empty());
  ASSERT_EQ(toViewer.size(), toMain.size());
  for (size_t i = 0; i < toMain.size(); ++i) {
    EXPECT_EQ(toViewer[i].wParam, toMain[i].wParam);
    EXPECT_EQ(toViewer[i].lParam, toMain[i].lParam);
  }
  // None of it reached the ordinary procedure beyond the notification of joining.
  EXPECT_EQ(main.ordinaryChainMessages().size(), 1u);
}

TEST_F(MonitorChain, EachChainMessageIsPassedOnUnchangedAndAnswersZero) {
  TestMainWindow main;
  TestViewer further;  // joins first, so it comes last
  TestViewer next;
  StartMonitoring();
  ASSERT_EQ(next.next(), further.window());

  EXPECT_EQ(SendMessageA(main.window(), WM_DESTROYCLIPBOARD, 0x1234, 0x5678), 0);
  ASSERT_EQ(next.CountOf(WM_DESTROYCLIPBOARD), 1u);
  EXPECT_EQ(next.received().back().wParam, 0x1234u);
  EXPECT_EQ(next.received().back().lParam, 0x5678);

  // A notification for a change already handled (Wine can repeat one) still goes down the chain.
  EXPECT_EQ(SendMessageA(main.window(), WM_DRAWCLIPBOARD, 0x4321, 0x8765), 0);
  ASSERT_EQ(next.CountOf(WM_DRAWCLIPBOARD), 1u);
  EXPECT_EQ(next.received().back().wParam, 0x4321u);
  EXPECT_EQ(next.received().back().lParam, 0x8765);
  EXPECT_EQ(further.CountOf(WM_DRAWCLIPBOARD), 1u);
  EXPECT_EQ(RowCount(main.list()), 0);

  // Every other message goes to the ordinary procedure, and its answer comes back.
  EXPECT_EQ(SendMessageA(main.window(), WM_APP + 1, 0, 0), 4242);
  EXPECT_EQ(main.ordinaryChainMessages().size(), 1u);
}

TEST_F(MonitorChain, WhenTheNextViewerLeavesItsOwnNextTakesItsPlaceAndNothingIsSentOn) {
  TestMainWindow main;
  TestViewer further;
  TestViewer next;
  ClipboardWriter writer;
  StartMonitoring();
  SentMessageLog log;

  next.Leave();  // the system tells the first viewer: WM_CHANGECBCHAIN(next, further)
  const auto toMain = log.To(main.window(), WM_CHANGECBCHAIN);
  ASSERT_EQ(toMain.size(), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(toMain[0].wParam), next.window());
  EXPECT_EQ(reinterpret_cast<HWND>(toMain[0].lParam), further.window());
  EXPECT_EQ(next.CountOf(WM_CHANGECBCHAIN), 0u);
  EXPECT_EQ(further.CountOf(WM_CHANGECBCHAIN), 0u);

  writer.WriteText("after the next viewer left");
  ASSERT_TRUE(PumpUntil([&] { return further.CountOf(WM_DRAWCLIPBOARD) > 0; }));
  EXPECT_EQ(next.CountOf(WM_DRAWCLIPBOARD), 0u);
  EXPECT_EQ(RowCount(main.list()), 1);
}

TEST_F(MonitorChain, WhenAViewerFurtherDownLeavesTheMessageGoesOnUnchanged) {
  TestMainWindow main;
  TestViewer furthest;
  TestViewer further;
  TestViewer next;
  ClipboardWriter writer;
  StartMonitoring();

  further.Leave();
  ASSERT_EQ(next.CountOf(WM_CHANGECBCHAIN), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(next.received().back().wParam), further.window());
  EXPECT_EQ(reinterpret_cast<HWND>(next.received().back().lParam), furthest.window());
  EXPECT_EQ(next.next(), furthest.window());

  writer.WriteText("after a viewer further down left");
  ASSERT_TRUE(PumpUntil([&] { return furthest.CountOf(WM_DRAWCLIPBOARD) > 0; }));
  EXPECT_EQ(next.CountOf(WM_DRAWCLIPBOARD), 1u);
  EXPECT_EQ(further.CountOf(WM_DRAWCLIPBOARD), 0u);
}

TEST_F(MonitorChain, AfterStoppingTheRestOfTheChainStillSeesChangesAndNoRowIsAdded) {
  TestMainWindow main;
  TestViewer viewer;
  ClipboardWriter writer;
  bool startDisabled = false;
  bool stopDisabled = true;
  OnStartMonitoringCommand({startDisabled, stopDisabled});
  writer.WriteText("while on");
  ASSERT_TRUE(PumpUntil([&] { return RowCount(main.list()) == 1; }));
  OnStopMonitoringCommand({startDisabled, stopDisabled});
  const size_t before = viewer.CountOf(WM_DRAWCLIPBOARD);

  writer.WriteText("while off");
  ASSERT_TRUE(PumpUntil([&] { return viewer.CountOf(WM_DRAWCLIPBOARD) > before; }));
  PumpFor(100);
  EXPECT_EQ(RowCount(main.list()), 1);
  EXPECT_FALSE(startDisabled);
  EXPECT_TRUE(stopDisabled);
}

TEST_F(MonitorChain, AsTheOnlyViewerChangesAreRecorded) {
  if (GetClipboardViewer() != nullptr)
    GTEST_SKIP() << "another program's viewer is in this session's chain";
  TestMainWindow main;
  ClipboardWriter writer;
  StartMonitoring();
  writer.WriteText("only viewer");
  ASSERT_TRUE(PumpUntil([&] { return RowCount(main.list()) == 1; }));
  EXPECT_EQ(CellText(main.list(), 0, 2), "only viewer");
}

}  // namespace
