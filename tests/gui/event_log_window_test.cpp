// The "Event Log" window: its order, its columns and its 2000-line limit at either end.

#include "gui/event_log_window.h"

#include <gtest/gtest.h>

#include <QTreeWidget>

#include <ctime>
#include <string>
#include <vector>

#include "foundation/client_strings.h"
#include "foundation/server_strings.h"

namespace trqx {
namespace {

CLogEntry Entry(int n) {
  return CLogEntry(std::time_t{1'800'000'000} + n, kLogInfo, kCategorySystem,
                   client_strings::kMsgFreeText, {"line " + std::to_string(n)}, ClientStrings());
}

// The message text of a row: the last column's, or the end of a whole line.
QString Text(const QTreeWidget* list, int row) {
  const QTreeWidgetItem* item = list->topLevelItem(row);
  const QString text = item->text(item->columnCount() - 1).trimmed();
  return text.mid(text.lastIndexOf('\t') + 1);
}

TEST(EventLogWindowTest, TheOldestLineGoesAtTheFarEndOnceTheListIsFull) {
  struct Row {
    EventLogWindow::Order order;
    int firstRow;  // where the newest line is
    int lastRow;   // where the oldest kept line is
  };
  const int last = EventLogWindow::kCapacity - 1;
  for (const Row& row : {Row{EventLogWindow::Order::kNewestFirst, 0, last},
                         Row{EventLogWindow::Order::kOldestFirst, last, 0}}) {
    EventLogWindow window(LogFlavour::kClient, row.order);
    for (int n = 1; n <= EventLogWindow::kCapacity + 5; ++n) {
      window.AddEntry(Entry(n));
    }
    const QTreeWidget* list = window.List();
    SCOPED_TRACE(row.firstRow);
    EXPECT_EQ(list->topLevelItemCount(), EventLogWindow::kCapacity);
    EXPECT_EQ(Text(list, row.firstRow), QString("line %1").arg(EventLogWindow::kCapacity + 5));
    EXPECT_EQ(Text(list, row.lastRow), QString("line 6"));
  }
}

TEST(EventLogWindowTest, TabStopsBecomeColumnsForClientAndServerOnly) {
  struct Row {
    LogFlavour flavour;
    EventLogWindow::Order order;
    std::vector<QString> cells;  // of the newest line
  };
  const Row rows[] = {
      {LogFlavour::kClient,
       EventLogWindow::Order::kNewestFirst,
       {"INFO", "102", "System startup."}},
      {LogFlavour::kServer,
       EventLogWindow::Order::kNewestFirst,
       {"INFO", "SYSTEM", "102", "VEXO Server system starting."}},
      {LogFlavour::kClient, EventLogWindow::Order::kOldestFirst, {}},
  };
  for (const Row& row : rows) {
    const StringTable& strings =
        row.flavour == LogFlavour::kServer ? ServerStrings() : ClientStrings();
    EventLogWindow window(row.flavour, row.order);
    window.AddEntries(
        {CLogEntry(std::time_t{1'800'000'000}, kLogWarning, kCategorySystem, 102, {}, strings),
         CLogEntry(std::time_t{1'800'000'001}, kLogInfo, kCategorySystem, 102, {}, strings)});
    const QTreeWidgetItem* newest =
        window.List()->topLevelItem(row.order == EventLogWindow::Order::kNewestFirst ? 0 : 1);
    SCOPED_TRACE(static_cast<int>(row.flavour));
    EXPECT_EQ(window.windowTitle(), "Event Log");
    ASSERT_EQ(newest->columnCount(),
              row.cells.empty() ? 1 : 1 + static_cast<int>(row.cells.size()));
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
      EXPECT_EQ(newest->text(static_cast<int>(i) + 1).trimmed(), row.cells[i]);
    }
  }
}

}  // namespace
}  // namespace trqx
