#include "gui/event_log_window.h"

#include <QHeaderView>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdlib>
#include <string>

#include "foundation/text.h"

namespace trqx {

namespace {

QTreeWidget* MakeList(QWidget* parent, int columns) {
  auto* list = new QTreeWidget(parent);
  list->setColumnCount(columns);
  list->setHeaderHidden(true);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->header()->setStretchLastSection(true);
  return list;
}

// The columns a display line's tabs make: date and time, level, [category,] number, text.
int TabColumns(LogFlavour flavour) {
  return flavour == LogFlavour::kServer ? 5 : 4;
}

}  // namespace

EventLogWindow::EventLogWindow(LogFlavour flavour, Order order, QWidget* parent)
    : QDialog(parent),
      m_flavour(flavour),
      m_order(order),
      m_tabStops(order == Order::kNewestFirst),
      m_list(MakeList(this, m_tabStops ? TabColumns(flavour) : 1)) {
  setWindowTitle("Event Log");
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_list);
  resize(640, 320);
  if (m_tabStops) {
    const QFontMetrics metrics(m_list->font());
    m_list->setColumnWidth(0, metrics.horizontalAdvance("00/00/0000 00:00:00 ") + 8);
    for (int column = 1; column + 1 < m_list->columnCount(); ++column) {
      m_list->setColumnWidth(column, metrics.horizontalAdvance("WARNING") + 16);
    }
  }
}

void EventLogWindow::AddEntries(const std::vector<CLogEntry>& entries) {
  for (const CLogEntry& entry : entries) {
    AddEntry(entry);
  }
}

void EventLogWindow::AddEntry(const CLogEntry& entry) {
  if (m_list->topLevelItemCount() >= kCapacity) {
    delete m_list->takeTopLevelItem(m_order == Order::kNewestFirst ? kCapacity - 1 : 0);
  }
  // The record's text keeps its padding, which a column would show as an ellipsis.
  const QString line = QString::fromStdString(
      std::string(TrimRightSpaceChars(EventLogDisplayLine(entry, m_flavour))));
  QStringList cells;
  if (m_tabStops) {
    cells = line.split('\t');
    // The second tab after a short level word only lines the columns up.
    if (cells.size() > 2 && cells[2].isEmpty()) {
      cells.removeAt(2);
    }
  } else {
    cells << line;
  }
  auto* item = new QTreeWidgetItem(cells);
  if (m_order == Order::kNewestFirst) {
    m_list->insertTopLevelItem(0, item);
  } else {
    m_list->addTopLevelItem(item);
  }
}

QTreeWidget* EventLogWindow::List() const {
  return m_list;
}

void MainEventLog::Load(const std::vector<CLogEntry>& entries) {
  if (m_window == nullptr) {
    m_window = new EventLogWindow(m_flavour, EventLogWindow::Order::kNewestFirst, m_owner);
  }
  m_window->AddEntries(entries);
}

void MainEventLog::Add(const CLogEntry& entry) {
  if (m_window != nullptr) {
    m_window->AddEntry(entry);
  }
}

bool MainEventLog::Show() {
  if (m_window == nullptr) {
    return false;
  }
  m_window->showNormal();
  m_window->raise();
  m_window->activateWindow();
  return true;
}

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      return true;
    }
  }
  return false;
}

}  // namespace trqx
