#pragma once

#include <QDialog>

#include <vector>

#include "foundation/log_entry.h"

class QTreeWidget;

namespace trqx {

// The "Event Log" window every program shows: one list of at most kCapacity display lines
// filling the window. Client and server put the newest line on top (and drop the bottom one
// when full) and show the line's tab stops as columns; the download converter appends at
// the bottom (and drops the top one) and shows each line whole.
class EventLogWindow : public QDialog {
 public:
  static constexpr int kCapacity = 2000;
  enum class Order { kNewestFirst, kOldestFirst };

  EventLogWindow(LogFlavour flavour, Order order, QWidget* parent = nullptr);

  // The entries read back at start-up, oldest first.
  void AddEntries(const std::vector<CLogEntry>& entries);
  void AddEntry(const CLogEntry& entry);
  QTreeWidget* List() const;

 private:
  LogFlavour m_flavour;
  Order m_order;
  bool m_tabStops;
  QTreeWidget* m_list;  // owned by the window
};

// The Event Log of a client or server main window: made once the log file was read back,
// fed every new line from then on, brought up on request. The window is owner's child.
class MainEventLog {
 public:
  MainEventLog(LogFlavour flavour, QWidget* owner) : m_flavour(flavour), m_owner(owner) {}

  void Load(const std::vector<CLogEntry>& entries);
  void Add(const CLogEntry& entry);
  // False when the log file was never read back.
  bool Show();
  EventLogWindow* Window() const { return m_window; }

 private:
  LogFlavour m_flavour;
  QWidget* m_owner;
  EventLogWindow* m_window = nullptr;
};

// True when a window can be shown: a display is named (DISPLAY, WAYLAND_DISPLAY) or a Qt
// platform plugin is chosen (QT_QPA_PLATFORM, e.g. offscreen).
bool DisplayAvailable();

}  // namespace trqx
