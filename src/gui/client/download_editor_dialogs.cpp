#include "gui/client/download_editor_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/upload/upload_profile_dialogs.h"

namespace trqx {

namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

std::string Std(const QString& text) {
  return text.toStdString();
}

// OK and Cancel under a dialog's controls.
void AddOkCancel(QDialog* dialog, QVBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

// A group box titled title holding widget alone.
QGroupBox* Group(const char* title, QWidget* widget) {
  auto* group = new QGroupBox(title);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(widget);
  return group;
}

QLineEdit* Edit(const char* name, const std::string& text = "") {
  auto* edit = new QLineEdit(Text(text));
  edit->setObjectName(name);
  return edit;
}

QPushButton* Button(const char* text, const char* name) {
  auto* button = new QPushButton(text);
  button->setObjectName(name);
  return button;
}

// A report list with the columns, one row selectable at a time.
QTreeWidget* ReportList(const char* name, std::span<const ListColumn> columns) {
  auto* list = new QTreeWidget;
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setColumnCount(static_cast<int>(columns.size()));
  QStringList titles;
  for (const ListColumn& column : columns) {
    titles << column.m_title;
  }
  list->setHeaderLabels(titles);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    list->setColumnWidth(static_cast<int>(i), columns[i].m_width);
  }
  list->header()->setStretchLastSection(true);
  return list;
}

constexpr int kMaxListWidth = 640;

// The width a column's texts (and icons) need.
int ContentWidth(const QTreeWidget* list, int column) {
  const QFontMetrics metrics = list->fontMetrics();
  int width = 0;
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    const int icon =
        item->icon(column).isNull() ? 0 : list->style()->pixelMetric(QStyle::PM_SmallIconSize) + 12;
    width = std::max(width, metrics.horizontalAdvance(item->text(column)) + icon + 16);
  }
  return width;
}

// Widens the columns whose texts the list's own widths would cut, and the list to show them
// all, up to a limit; the last column stretches over what is left.
void FitColumns(QTreeWidget* list, std::span<const ListColumn> columns) {
  int total = 2 * list->frameWidth() + 4;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int column = static_cast<int>(i);
    const int width = std::max(
        {columns[i].m_width, list->header()->sectionSizeHint(column), ContentWidth(list, column)});
    list->setColumnWidth(column, width);
    total += width;
  }
  list->setMinimumWidth(std::min(total, kMaxListWidth));
}

QTreeWidgetItem* RowItem(const std::vector<std::string>& texts) {
  QStringList columns;
  for (const std::string& text : texts) {
    columns << Text(text);
  }
  return new QTreeWidgetItem(columns);
}

// The mapping list's two images: the active mark and an empty one of the same size, so the
// names line up.
QIcon ActiveMark(bool active) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  if (active) {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 128, 0), 2.5));
    painter.drawPolyline(QPolygonF({{3, 8.5}, {6.5, 12}, {13, 4}}));
  }
  return QIcon(pixmap);
}

// Shows message and keeps the dialog open when check found one.
bool Refused(QWidget* dialog, const std::optional<std::string>& message) {
  if (!message) {
    return false;
  }
  QtDownLoadEditorPrompts(dialog).ShowMessage(*message);
  return true;
}

}  // namespace

// ---- Prompts ----

void QtDownLoadEditorPrompts::Beep(unsigned, unsigned) {
  QApplication::beep();
}

bool QtDownLoadEditorPrompts::AskOkCancel(const std::string& caption, const std::string& text) {
  return QMessageBox::question(m_parent, Text(caption), Text(text),
                               QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Ok;
}

void QtDownLoadEditorPrompts::ShowMessage(const std::string& text) {
  QMessageBox::warning(m_parent, kEditorMessageCaption, Text(text));
}

// ---- Download Settings ----

DownloadSettingsDialog::DownloadSettingsDialog(const std::string& destDir, QWidget* parent)
    : QDialog(parent), m_destDir(Edit("destDir", destDir)) {
  setWindowTitle(CDownloadSettingsDlg::kCaption);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Group(CDownloadSettingsDlg::kGroup, m_destDir));
  AddOkCancel(this, layout);
  m_destDir->setMinimumWidth(320);
}

std::string DownloadSettingsDialog::DestDir() const {
  return Std(m_destDir->text());
}

void DownloadSettingsDialog::accept() {
  if (!Refused(this, CDownloadSettingsDlg(DestDir()).Check())) {
    QDialog::accept();
  }
}

// ---- New DownLoad Mapping ----

NewDownloadMappingDialog::NewDownloadMappingDialog(QWidget* parent)
    : QDialog(parent), m_name(Edit("name")), m_format(new QComboBox) {
  setWindowTitle(CNewDownLoadMappingDlg::kCaption);
  m_format->setObjectName("format");
  for (const char* format : CNewDownLoadMappingDlg::kFormats) {
    m_format->addItem(format);
  }
  m_format->setCurrentIndex(0);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Group(CNewDownLoadMappingDlg::kNameGroup, m_name));
  layout->addWidget(Group(CNewDownLoadMappingDlg::kFormatGroup, m_format));
  AddOkCancel(this, layout);
  m_name->setMinimumWidth(240);
}

CNewDownLoadMappingDlg NewDownloadMappingDialog::Entries() const {
  return {.m_name = Std(m_name->text()), .m_format = m_format->currentIndex()};
}

void NewDownloadMappingDialog::accept() {
  if (!Refused(this, Entries().Check())) {
    QDialog::accept();
  }
}

// ---- Element dialogs ----

DownloadElementDialog::DownloadElementDialog(CDownLoadElementDlg entries, QWidget* parent)
    : QDialog(parent),
      m_entries(std::move(entries)),
      m_name(Edit("name", m_entries.m_name)),
      m_yPos(Edit("yPos", m_entries.m_yPos)),
      m_xPos(Edit("xPos", m_entries.m_xPos)),
      m_length(Edit("length", m_entries.m_length)) {
  using F = CDownLoadElementDlg::Field;
  setWindowTitle(m_entries.Caption());
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(m_entries.Label(F::kName), m_name);
  form->addRow(m_entries.Label(F::kYPos), m_yPos);
  form->addRow(m_entries.Label(F::kXPos), m_xPos);
  form->addRow(m_entries.Label(F::kLength), m_length);
  layout->addLayout(form);
  if (m_entries.HasGridChecks()) {
    m_useLength = new QCheckBox(m_entries.Label(F::kUseLength));
    m_useLength->setObjectName("useLength");
    m_useLength->setChecked(m_entries.m_useLength);
    m_quote = new QCheckBox(m_entries.Label(F::kQuote));
    m_quote->setObjectName("quote");
    m_quote->setChecked(m_entries.m_quoted);
    auto* checks = new QHBoxLayout;
    checks->addWidget(m_useLength);
    checks->addWidget(m_quote);
    checks->addStretch();
    layout->addLayout(checks);
  }
  AddOkCancel(this, layout);
  m_name->setMinimumWidth(200);
}

void DownloadElementDialog::Collect() {
  m_entries.m_name = Std(m_name->text());
  m_entries.m_yPos = Std(m_yPos->text());
  m_entries.m_xPos = Std(m_xPos->text());
  m_entries.m_length = Std(m_length->text());
  if (m_useLength != nullptr) {
    m_entries.m_useLength = m_useLength->isChecked();
    m_entries.m_quoted = m_quote->isChecked();
  }
}

void DownloadElementDialog::accept() {
  Collect();
  if (!Refused(this, m_entries.Check())) {
    QDialog::accept();
  }
}

// ---- DownLoad Mapping ----

DownloadMappingDialog::DownloadMappingDialog(CDownLoadMappingDlg& logic, QWidget* parent)
    : QDialog(parent), m_logic(logic) {
  setWindowTitle(CDownLoadMappingDlg::kCaption);
  auto* layout = new QVBoxLayout(this);
  BuildElementPart(layout);
  BuildMappingPart(layout);
  AddOkCancel(this, layout);
  FillElements();
  for (std::size_t i = 0; i < m_logic.FieldCount(); ++i) {
    m_fields->addTopLevelItem(RowItem(m_logic.FieldRow(i)));
  }
  FitColumns(m_fields, CDownLoadMappingDlg::FieldColumns());
  m_reject->setChecked(m_logic.Mapping().m_rejectUnexecutedOrders);
  ShowSelected();
}

void DownloadMappingDialog::BuildElementPart(QVBoxLayout* layout) {
  m_elements = ReportList("elements", m_logic.ElementColumns());
  m_elements->setAccessibleName(CDownLoadMappingDlg::kElementListName);
  m_elements->setMinimumHeight(130);
  m_addPosition = Button("Add File Position", "addPosition");
  m_editPosition = Button("Edit File Position", "editPosition");
  m_addColumn = Button("Add File Column", "addColumn");
  m_editColumn = Button("Edit File Column", "editColumn");
  m_deleteElement = Button("Delete Element", "deleteElement");
  m_reject = new QCheckBox(CDownLoadMappingDlg::kRejectText);
  m_reject->setObjectName("reject");
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button :
       {m_addPosition, m_editPosition, m_addColumn, m_editColumn, m_deleteElement}) {
    buttons->addWidget(button);
  }
  buttons->addStretch();
  auto* group = new QGroupBox(CDownLoadMappingDlg::kElementsGroup);
  auto* row = new QHBoxLayout(group);
  row->addWidget(m_elements, 1);
  row->addLayout(buttons);
  layout->addWidget(group);
  layout->addWidget(m_reject);

  connect(m_elements, &QTreeWidget::currentItemChanged, this, [this] {
    if (!m_showing) {
      m_logic.SelectElement(m_elements->indexOfTopLevelItem(m_elements->currentItem()));
      ShowSelected();
    }
  });
  connect(m_addPosition, &QPushButton::clicked, this,
          [this] { AddElement(CDownLoadElement::kTypeCell); });
  connect(m_addColumn, &QPushButton::clicked, this,
          [this] { AddElement(CDownLoadElement::kTypeColumn); });
  connect(m_editPosition, &QPushButton::clicked, this, [this] { EditElement(); });
  connect(m_editColumn, &QPushButton::clicked, this, [this] { EditElement(); });
  connect(m_deleteElement, &QPushButton::clicked, this, [this] { DeleteElement(); });
  connect(m_reject, &QCheckBox::clicked, this,
          [this](bool checked) { m_logic.OnRejectUnexecutedChanged(checked); });
}

void DownloadMappingDialog::BuildMappingPart(QVBoxLayout* layout) {
  m_mapType = new QComboBox;
  m_mapType->setObjectName("mapType");
  for (const char* text : CDownLoadMappingDlg::kMapTypes) {
    m_mapType->addItem(text);
  }
  m_justify = new QComboBox;
  m_justify->setObjectName("justify");
  for (const char* text : CDownLoadMappingDlg::kJustifies) {
    m_justify->addItem(text);
  }
  m_constant = Edit("constant");
  m_fields = ReportList("fields", CDownLoadMappingDlg::FieldColumns());
  m_fields->setAccessibleName(CDownLoadMappingDlg::kFieldListName);
  m_translations = ReportList("translations", CDownLoadMappingDlg::TranslationColumns());
  m_addTranslation = Button("Add", "addTranslation");
  m_deleteTranslation = Button("Delete", "deleteTranslation");

  auto* left = new QVBoxLayout;
  left->addWidget(Group("Map Type", m_mapType));
  left->addWidget(Group("Justify", m_justify));
  left->addWidget(Group("Constant", m_constant));
  left->addStretch();
  auto* translationButtons = new QHBoxLayout;
  translationButtons->addWidget(m_addTranslation);
  translationButtons->addWidget(m_deleteTranslation);
  translationButtons->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(Group("Norvane Field", m_fields), 1);
  right->addWidget(m_translations, 1);
  right->addLayout(translationButtons);
  auto* group = new QGroupBox("Element Mapping");
  auto* columns = new QHBoxLayout(group);
  columns->addLayout(left);
  columns->addLayout(right, 1);
  layout->addWidget(group, 1);
  setMinimumSize(600, 560);

  connect(m_mapType, &QComboBox::currentIndexChanged, this, [this](int choice) {
    if (!m_showing) {
      m_logic.OnMapTypeChanged(choice);
      ShowSelected();
    }
  });
  connect(m_justify, &QComboBox::currentIndexChanged, this, [this](int choice) {
    if (!m_showing) {
      m_logic.OnJustifyChanged(choice);
    }
  });
  connect(m_constant, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!m_showing) {
      m_logic.OnConstantChanged(Std(text));
    }
  });
  connect(m_fields, &QTreeWidget::currentItemChanged, this, [this] {
    if (!m_showing) {
      m_logic.OnFieldSelected(m_fields->indexOfTopLevelItem(m_fields->currentItem()));
    }
  });
  connect(m_addTranslation, &QPushButton::clicked, this, [this] { AddTranslation(); });
  connect(m_deleteTranslation, &QPushButton::clicked, this, [this] { DeleteTranslation(); });
}

void DownloadMappingDialog::FillElements() {
  m_showing = true;
  m_elements->clear();
  for (std::size_t i = 0; i < m_logic.ElementCount(); ++i) {
    m_elements->addTopLevelItem(RowItem(m_logic.ElementRow(i)));
  }
  FitColumns(m_elements, m_logic.ElementColumns());
  m_elements->setCurrentItem(m_elements->topLevelItem(m_logic.SelectedElement()));
  m_showing = false;
}

void DownloadMappingDialog::ShowSelected() {
  m_showing = true;
  m_mapType->setCurrentIndex(m_logic.MapTypeChoice());
  m_justify->setCurrentIndex(m_logic.JustifyChoice());
  m_constant->setText(Text(m_logic.ConstantText()));
  const int field = m_logic.SelectedField();
  m_fields->setCurrentItem(field >= 0 ? m_fields->topLevelItem(field) : nullptr);
  if (field < 0) {
    m_fields->clearSelection();
  }
  m_translations->clear();
  for (const CTranslation& translation : m_logic.Translations()) {
    m_translations->addTopLevelItem(RowItem({translation.m_input, translation.m_output}));
  }
  m_showing = false;
  UpdateEnabling();
}

void DownloadMappingDialog::UpdateEnabling() {
  using C = CDownLoadMappingDlg::Control;
  const std::pair<QWidget*, C> controls[] = {
      {m_addPosition, C::kAddPosition},
      {m_editPosition, C::kEditPosition},
      {m_addColumn, C::kAddColumn},
      {m_editColumn, C::kEditColumn},
      {m_deleteElement, C::kDeleteElement},
      {m_mapType, C::kMapType},
      {m_justify, C::kJustify},
      {m_constant, C::kConstant},
      {m_fields, C::kFieldList},
      {m_translations, C::kTranslations},
      {m_addTranslation, C::kAddTranslation},
      {m_deleteTranslation, C::kDeleteTranslation},
  };
  for (const auto& [widget, control] : controls) {
    widget->setEnabled(m_logic.Enabled(control));
  }
}

void DownloadMappingDialog::AddElement(int elementType) {
  DownloadElementDialog dialog(m_logic.NewElementDialog(elementType), this);
  if (dialog.exec() == QDialog::Accepted) {
    m_logic.OnAddElement(elementType, dialog.Entries());
    FillElements();
  }
}

void DownloadMappingDialog::EditElement() {
  std::optional<CDownLoadElementDlg> entries = m_logic.EditElementDialog();
  if (!entries) {
    return;
  }
  DownloadElementDialog dialog(std::move(*entries), this);
  if (dialog.exec() == QDialog::Accepted) {
    m_logic.OnEditElement(dialog.Entries());
    FillElements();
  }
}

void DownloadMappingDialog::DeleteElement() {
  if (m_logic.OnDeleteElement()) {
    FillElements();
    ShowSelected();
  }
}

void DownloadMappingDialog::AddTranslation() {
  EnterTranslationDialog dialog(this, {});
  if (dialog.exec() == QDialog::Accepted && dialog.Translation() &&
      m_logic.OnAddTranslation(*dialog.Translation())) {
    ShowSelected();
  }
}

void DownloadMappingDialog::DeleteTranslation() {
  if (m_logic.OnDeleteTranslation(
          m_translations->indexOfTopLevelItem(m_translations->currentItem()))) {
    ShowSelected();
  }
}

void DownloadMappingDialog::accept() {
  if (!Refused(this, m_logic.Check())) {
    QDialog::accept();
  }
}

// ---- Download Profile ----

DownloadProfileDialog::DownloadProfileDialog(const CDownLoadProfile& profile,
                                             const std::vector<OstraneField>& fields,
                                             QWidget* parent)
    : QDialog(parent),
      m_prompts(this),
      m_logic(profile, fields, m_prompts),
      m_list(ReportList("mappings", CDownLoadProfileDlg::Columns())) {
  setWindowTitle(CDownLoadProfileDlg::kCaption);
  m_list->setAccessibleName(CDownLoadProfileDlg::kListName);
  auto* buttons = new QVBoxLayout;
  const std::pair<const char*, void (DownloadProfileDialog::*)()> commands[] = {
      {"New", &DownloadProfileDialog::New},
      {"Delete", &DownloadProfileDialog::Delete},
      {"Configure", &DownloadProfileDialog::Configure},
      {"Set Active", &DownloadProfileDialog::SetActive},
  };
  for (const auto& [text, command] : commands) {
    QPushButton* button = Button(text, text);
    connect(button, &QPushButton::clicked, this, [this, command] { (this->*command)(); });
    buttons->addWidget(button);
  }
  buttons->addStretch();
  auto* group = new QGroupBox(CDownLoadProfileDlg::kGroup);
  auto* row = new QHBoxLayout(group);
  row->addWidget(m_list, 1);
  row->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group, 1);
  AddOkCancel(this, layout);
  resize(360, 260);
  FillList();
}

void DownloadProfileDialog::FillList() {
  const int selected = SelectedRow();
  m_list->clear();
  for (std::size_t i = 0; i < m_logic.RowCount(); ++i) {
    QTreeWidgetItem* item = RowItem(m_logic.Row(i));
    item->setIcon(0, ActiveMark(m_logic.IsActiveRow(i)));
    m_list->addTopLevelItem(item);
  }
  FitColumns(m_list, CDownLoadProfileDlg::Columns());
  if (selected >= 0 && selected < m_list->topLevelItemCount()) {
    m_list->setCurrentItem(m_list->topLevelItem(selected));
  }
}

int DownloadProfileDialog::SelectedRow() const {
  QTreeWidgetItem* item = m_list->currentItem();
  return item != nullptr && item->isSelected() ? m_list->indexOfTopLevelItem(item) : -1;
}

void DownloadProfileDialog::New() {
  NewDownloadMappingDialog dialog(this);
  if (dialog.exec() == QDialog::Accepted && m_logic.OnNew(dialog.Entries())) {
    FillList();
  }
}

void DownloadProfileDialog::Delete() {
  if (m_logic.OnDelete(SelectedRow())) {
    m_list->setCurrentItem(nullptr);
    FillList();
  }
}

void DownloadProfileDialog::Configure() {
  const int selected = SelectedRow();
  std::unique_ptr<CDownLoadMappingDlg> logic = m_logic.OnConfigure(selected);
  if (logic == nullptr) {
    return;
  }
  DownloadMappingDialog dialog(*logic, this);
  if (dialog.exec() == QDialog::Accepted) {
    m_logic.OnConfigured(selected, *logic);
    FillList();
  }
}

void DownloadProfileDialog::SetActive() {
  if (m_logic.OnSetActive(SelectedRow())) {
    FillList();
  }
}

// ---- The menu commands ----

void OpenDownloadSettings(CTRQXClientDlg& client, QWidget* parent) {
  DownloadSettingsDialog dialog(client.Settings().m_downLoadDestDir, parent);
  if (dialog.exec() == QDialog::Accepted) {
    client.OnDownloadSettingsChanged(dialog.DestDir());
  }
}

void OpenDownloadProfile(CTRQXClientDlg& client, QWidget* parent) {
  DownloadProfileDialog dialog(client.DownLoadProfile(), client.DownLoadFields(), parent);
  if (dialog.exec() == QDialog::Accepted) {
    client.OnDownloadProfileChanged(dialog.TakeProfile());
  }
}

}  // namespace trqx
