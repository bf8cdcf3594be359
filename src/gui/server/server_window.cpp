#include "gui/server/server_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

#include "gui/event_log_window.h"
#include "gui/server/host_marker.h"
#include "gui/server/setup_dialogs_qt.h"
#include "server/vexo_server_dlg.h"

namespace trqx {

namespace {

constexpr const char* kAboutCaption = "About VEXOServer";
constexpr const char* kAboutText =
    "VEXOServer Version 2.2f\n\nThe upload server: accepts clients, spools their files and "
    "forwards each by FTP to the primary or backup host.";
constexpr const char* kNoMailAlerts = "Mail and alerts have no settings in this version.";
// The longest status text: a 12-character word, " at " and a 19-character time.
constexpr const char* kWidestStatus = "  STOPPED    at 12/31/2026 23:59:59";
constexpr int kStatusPadding = 12;
constexpr int kHistoryRowsShown = 8;
// The counter rows' cells: a host name with its port, a count of up to ten digits.
constexpr int kAddressChars = 36;
constexpr int kCountChars = 12;

int Index(StatusBox box) {
  return box == StatusBox::kFtp ? 0 : 1;
}

int Index(HostRow row) {
  return static_cast<int>(row);
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// A counter or address cell: a sunken read-only field, like the original's static boxes.
// widthChars: its width in average characters. A long address or count must not widen the
// window while it runs, so the text never sizes the cell.
QLabel* Cell(const QString& text, Qt::Alignment alignment, int widthChars) {
  auto* label = new QLabel(text);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAlignment(alignment | Qt::AlignVCenter);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  label->setMinimumWidth(label->fontMetrics().averageCharWidth() * widthChars);
  label->setMargin(2);
  return label;
}

}  // namespace

StatusBoxWidget::StatusBoxWidget(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StatusBoxWidget::Show(const QColor& colour, const QString& text) {
  m_colour = colour;
  m_text = text;
  update();
}

QSize StatusBoxWidget::sizeHint() const {
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(QString::fromLatin1(kWidestStatus)) + 2 * kStatusPadding,
          metrics.height() + kStatusPadding};
}

void StatusBoxWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), m_colour);
  painter.setPen(Qt::white);
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_text);
}

ServerWindow::ServerWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QString::fromLatin1(CVEXOServerDlg::kCaption));
  BuildMenus();
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(BuildStatusBoxes());
  layout->addWidget(BuildCounterRows());
  layout->addWidget(BuildBehaviorAndSerial());
  layout->addWidget(BuildHistory(), 1);
  setCentralWidget(central);
  // Esc is the dialog's Cancel, which means Exit here.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { RequestExit(); });
}

ServerWindow::~ServerWindow() = default;

void ServerWindow::BuildMenus() {
  QMenu* system = menuBar()->addMenu(tr("&System"));
  m_start = system->addAction(tr("Start"), this, [this] { m_dlg->OnStart(); });
  m_stop = system->addAction(tr("Stop"), this, [this] { m_dlg->OnStop(); });
  system->addAction(tr("Event &Log"), this, [this] { m_dlg->OnEventLog(); });
  system->addSeparator();
  m_exit = system->addAction(tr("E&xit"), this, [this] { RequestExit(); });

  QMenu* setup = menuBar()->addMenu(tr("S&etup"));
  setup->setToolTipsVisible(true);
  setup->addAction(tr("FTP"), this, [this] { OpenFtpSettings(); });
  setup->addAction(tr("Users"), this, [this] { OpenUserSetup(); });
  QAction* mail = setup->addAction(tr("Mail + Alerts"));
  mail->setEnabled(false);
  mail->setToolTip(tr(kNoMailAlerts));

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->addAction(tr("&About VEXOServer..."), this, [this] { ShowAbout(); });
}

QWidget* ServerWindow::BuildStatusBoxes() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  for (StatusBox box : {StatusBox::kFtp, StatusBox::kAccept}) {
    auto* group =
        new QGroupBox(box == StatusBox::kFtp ? tr("FTP Status") : tr("Accepting Clients Status"));
    auto* inner = new QVBoxLayout(group);
    m_status[Index(box)] = new StatusBoxWidget;
    inner->addWidget(m_status[Index(box)]);
    layout->addWidget(group);
  }
  return row;
}

QWidget* ServerWindow::BuildCounterRows() {
  auto* group = new QGroupBox(tr("FTP Connection Status"));
  auto* grid = new QGridLayout(group);
  const char* headers[] = {"Server Address", "Good FTP Put Count", "Bad FTP Put Count",
                           "Retry Count"};
  for (int column = 0; column < 4; ++column) {
    auto* header = new QLabel(tr(headers[column]));
    header->setAlignment(column == 0 ? Qt::AlignLeft : Qt::AlignHCenter);
    grid->addWidget(header, 0, column + 2);
  }
  for (HostRow row : {HostRow::kPrimary, HostRow::kBackup}) {
    const int r = Index(row) + 1;
    grid->addWidget(new QLabel(row == HostRow::kPrimary ? tr("Primary") : tr("Backup")), r, 0);
    m_markers[Index(row)] = new QLabel;
    m_markers[Index(row)]->setFixedSize(kHostMarkerSize, kHostMarkerSize);
    m_markers[Index(row)]->setPixmap(InactiveHostMarker());
    grid->addWidget(m_markers[Index(row)], r, 1);
    for (int column = 0; column < 4; ++column) {
      m_counters[Index(row)][column] = column == 0
                                           ? Cell(QString(), Qt::AlignLeft, kAddressChars)
                                           : Cell(QStringLiteral("0"), Qt::AlignRight, kCountChars);
      grid->addWidget(m_counters[Index(row)][column], r, column + 2);
    }
  }
  grid->setColumnStretch(2, 3);
  for (int column = 3; column < 6; ++column) {
    grid->setColumnStretch(column, 1);
  }
  return group;
}

QWidget* ServerWindow::BuildBehaviorAndSerial() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* behavior = new QGroupBox(tr("Behavior"));
  auto* grid = new QGridLayout(behavior);
  m_autoRestart = new QCheckBox(tr("Auto-(Re)Start"));
  m_interval = new QLineEdit;
  // An unsigned 32-bit number of seconds; larger values are cut to the largest on Apply.
  m_interval->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,10}")), this));
  m_interval->setMaxLength(10);
  m_interval->setAlignment(Qt::AlignRight);
  m_apply = new QPushButton(tr("Apply"));
  m_apply->setEnabled(false);
  grid->addWidget(m_autoRestart, 0, 0, 1, 2);
  grid->addWidget(new QLabel(tr("Interval(Sec)")), 1, 0);
  grid->addWidget(m_interval, 1, 1);
  grid->addWidget(m_apply, 1, 2);
  // Only the user's edits enable Apply: clicked and textEdited stay silent when the dialog
  // fills the fields.
  connect(m_autoRestart, &QCheckBox::clicked, this, [this] { m_dlg->OnBehaviorEdited(); });
  connect(m_interval, &QLineEdit::textEdited, this, [this] { m_dlg->OnBehaviorEdited(); });
  connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
  layout->addWidget(behavior, 3);

  auto* serial = new QGroupBox(tr("N.V. Serial Number"));
  auto* serialLayout = new QVBoxLayout(serial);
  m_serialNumber = new QLabel;
  m_serialNumber->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_serialNumber->setAlignment(Qt::AlignCenter);
  serialLayout->addWidget(m_serialNumber);
  layout->addWidget(serial, 2);
  return row;
}

QWidget* ServerWindow::BuildHistory() {
  auto* group = new QGroupBox(tr("Remote Host History"));
  auto* layout = new QVBoxLayout(group);
  m_history = new QTreeWidget;
  m_history->setColumnCount(3);
  m_history->setHeaderLabels({tr("Time"), tr("Address"), tr("Event")});
  m_history->setRootIsDecorated(false);
  m_history->setUniformRowHeights(true);
  m_history->setSelectionMode(QAbstractItemView::SingleSelection);
  const QFontMetrics metrics(m_history->font());
  m_history->setColumnWidth(0,
                            metrics.horizontalAdvance(QStringLiteral("12/31/2026 23:59:59 ")) + 12);
  m_history->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("255.255.255.255 ")) + 12);
  m_history->header()->setStretchLastSection(true);
  m_history->setMinimumHeight(metrics.height() * (kHistoryRowsShown + 2));
  layout->addWidget(m_history);
  return group;
}

void ServerWindow::ShowStatus(StatusBox box, TaskState state, const std::string& text) {
  const CStatusLook& look = StatusLook(state);
  m_status[Index(box)]->Show(QColor(look.m_red, look.m_green, look.m_blue), Q(text));
}

void ServerWindow::ShowHostAddress(HostRow row, const std::string& address) {
  QLabel* cell = m_counters[Index(row)][static_cast<int>(CounterColumn::kAddress)];
  cell->setText(Q(address));
  cell->setToolTip(Q(address));  // whole, should the cell be too narrow
}

void ServerWindow::ShowCounters(HostRow row, const std::string& good, const std::string& bad,
                                const std::string& retries) {
  auto& cells = m_counters[Index(row)];
  cells[static_cast<int>(CounterColumn::kGood)]->setText(Q(good));
  cells[static_cast<int>(CounterColumn::kBad)]->setText(Q(bad));
  cells[static_cast<int>(CounterColumn::kRetries)]->setText(Q(retries));
}

void ServerWindow::ShowActiveHost(HostRow row) {
  for (HostRow each : {HostRow::kPrimary, HostRow::kBackup}) {
    m_active[Index(each)] = each == row;
    m_markers[Index(each)]->setPixmap(each == row ? ActiveHostMarker() : InactiveHostMarker());
    m_markers[Index(each)]->setToolTip(each == row ? tr("Active FTP host") : QString());
  }
}

void ServerWindow::ShowSerialNumber(const std::string& serialNumber) {
  m_serialNumber->setText(Q(serialNumber));
}

void ServerWindow::ShowBehavior(bool autoRestart, std::uint32_t intervalSeconds) {
  m_autoRestart->setChecked(autoRestart);
  m_interval->setText(QString::number(intervalSeconds));
}

void ServerWindow::EnableApply(bool enabled) {
  m_apply->setEnabled(enabled);
}

void ServerWindow::EnableCommand(ServerCommand command, bool enabled) {
  CommandAction(command)->setEnabled(enabled);
}

void ServerWindow::AddHistoryRow(const CHistoryRow& row) {
  // Follow the newest row unless the user has scrolled back to read older ones.
  const QScrollBar* bar = m_history->verticalScrollBar();
  const bool following = bar->value() == bar->maximum();
  m_history->addTopLevelItem(
      new QTreeWidgetItem(QStringList{Q(row.m_time), Q(row.m_address), Q(row.m_event)}));
  if (following) {
    m_history->scrollToBottom();
  }
}

void ServerWindow::DeleteOldestHistoryRow() {
  delete m_history->takeTopLevelItem(0);
}

void ServerWindow::ShowLoadedLog(const std::vector<CLogEntry>& entries) {
  m_eventLog.Load(entries);
}

void ServerWindow::AddLogLine(const CLogEntry& entry) {
  m_eventLog.Add(entry);
}

bool ServerWindow::ShowEventLog() {
  return m_eventLog.Show();
}

void ServerWindow::Beep(unsigned, unsigned) {
  QApplication::beep();
}

bool ServerWindow::Confirm(const std::string& text, const std::string& caption) {
  if (m_exitConfirmed) {
    return true;
  }
  return QMessageBox::question(this, Q(caption), Q(text), QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Ok;
}

void ServerWindow::ShowMessageBox(const std::string& text) {
  QMessageBox::warning(isVisible() ? this : nullptr, QString::fromLatin1(CVEXOServerDlg::kCaption),
                       Q(text));
}

void ServerWindow::DisableWindow() {
  centralWidget()->setEnabled(false);
  menuBar()->setEnabled(false);
}

void ServerWindow::CloseWindow() {
  m_closing = true;
  close();
  // The event log window may still be open; the program ends with the main window.
  QApplication::exit(0);
}

StatusBoxWidget* ServerWindow::StatusWidget(StatusBox box) const {
  return m_status[Index(box)];
}

QString ServerWindow::CounterText(HostRow row, CounterColumn column) const {
  return m_counters[Index(row)][static_cast<int>(column)]->text();
}

bool ServerWindow::MarkedActive(HostRow row) const {
  return m_active[Index(row)];
}

QAction* ServerWindow::CommandAction(ServerCommand command) const {
  return command == ServerCommand::kStart ? m_start : m_stop;
}

void ServerWindow::ExitConfirmed() {
  m_exitConfirmed = true;
  RequestExit();
}

void ServerWindow::closeEvent(QCloseEvent* event) {
  if (m_closing) {
    event->accept();
    return;
  }
  event->ignore();
  RequestExit();
}

void ServerWindow::RequestExit() {
  // Once exiting, the window waits for the tasks to end; a second Exit asks nothing.
  if (m_dlg != nullptr && !m_dlg->Exiting()) {
    m_dlg->OnExit();
  }
}

void ServerWindow::Apply() {
  const qulonglong interval = m_interval->text().toULongLong();
  const std::uint32_t seconds = static_cast<std::uint32_t>(
      std::min<qulonglong>(interval, std::numeric_limits<std::uint32_t>::max()));
  m_dlg->OnApplyBehavior(m_autoRestart->isChecked(), seconds);
  m_interval->setText(QString::number(seconds));
}

void ServerWindow::OpenFtpSettings() {
  FtpSettingsDialog dialog(m_dlg->FtpSettings(), m_dlg->AnyTaskRunning(), this);
  if (dialog.exec() == QDialog::Accepted) {
    m_dlg->OnFtpSettingsChanged();
  }
}

void ServerWindow::OpenUserSetup() {
  UserSetupDialog dialog(m_dlg->UserSettings(), m_dlg->AnyTaskRunning(), this);
  if (dialog.exec() == QDialog::Accepted) {
    m_dlg->OnUserSettingsChanged();
  }
}

void ServerWindow::ShowAbout() {
  QMessageBox::about(this, tr(kAboutCaption), tr(kAboutText));
}

}  // namespace trqx
