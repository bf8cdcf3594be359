#include "gui/upload/upload_profile_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace trqx {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
QString Q(const char* text) {
  return QString::fromUtf8(text);
}
std::string S(const QString& text) {
  return text.toStdString();
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->setObjectName("buttons");
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QTreeWidget* ReportList(QWidget* parent, const QStringList& columns, const char* name) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  list->setColumnCount(static_cast<int>(columns.size()));
  list->setHeaderLabels(columns);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setAllColumnsShowFocus(true);
  return list;
}

template <std::size_t N>
QStringList Texts(const char* const (&texts)[N]) {
  QStringList list;
  for (const char* text : texts) {
    list << Q(text);
  }
  return list;
}

QStringList Texts(const std::vector<std::string>& texts) {
  QStringList list;
  for (const std::string& text : texts) {
    list << Q(text);
  }
  return list;
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(Q(text), parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* Edit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

QCheckBox* Check(const char* text, const char* name, QWidget* parent) {
  auto* check = new QCheckBox(Q(text), parent);
  check->setObjectName(name);
  return check;
}

// A label and its control on one line, shown and hidden together.
QWidget* LabelledRow(const char* label, QWidget* control, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* text = new QLabel(Q(label), row);
  text->setMinimumWidth(90);
  layout->addWidget(text);
  layout->addWidget(control, 1);
  return row;
}

}  // namespace

bool QtEditorPrompts::AskOkCancel(const std::string& caption, const std::string& text) {
  return QMessageBox::question(m_parent, Q(caption), Q(text), QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Ok;
}

void QtEditorPrompts::ShowMessage(const std::string& text) {
  QMessageBox::warning(m_parent, Q(kEditorMessageCaption), Q(text));
}

// --- New Mapping ---

NewMappingDialog::NewMappingDialog(QWidget* parent, const UserProfile& profile)
    : QDialog(parent), m_logic(profile) {
  setWindowTitle(Q(CNewMappingDlg::kCaption));
  auto* formatGroup = new QGroupBox(Q("Format"), this);
  m_formats = new QListWidget(formatGroup);
  m_formats->setObjectName("formatList");
  m_formats->addItems(Texts(CNewMappingDlg::kFormats));
  m_formats->setCurrentRow(m_logic.m_format);
  m_formats->setMaximumHeight(m_formats->sizeHintForRow(0) * 3 + 2 * m_formats->frameWidth() + 4);
  (new QVBoxLayout(formatGroup))->addWidget(m_formats);

  auto* mappingGroup = new QGroupBox(Q(CNewMappingDlg::kMappingGroup), this);
  auto* mappingLayout = new QVBoxLayout(mappingGroup);
  const char* names[] = {"byFile", "byDefaultExtensions", "byExtension"};
  for (int i = 0; i < 3; ++i) {
    m_choices[i] = new QRadioButton(Q(CNewMappingDlg::kChoices[i]), mappingGroup);
    m_choices[i]->setObjectName(names[i]);
    mappingLayout->addWidget(m_choices[i]);
    connect(m_choices[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) {
        m_logic.m_fileMapType = i;
        ShowChoice();
      }
    });
  }
  m_editLabel = new QLabel(mappingGroup);
  m_edit = Edit("nameEdit", mappingGroup);
  auto* editRow = new QHBoxLayout;
  editRow->addWidget(m_editLabel);
  editRow->addWidget(m_edit, 1);
  mappingLayout->addLayout(editRow);
  connect(m_edit, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_logic.m_text = S(text); });
  connect(m_formats, &QListWidget::currentRowChanged, this,
          [this](int row) { m_logic.m_format = row; });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(formatGroup);
  layout->addWidget(mappingGroup);
  layout->addWidget(OkCancel(this));
  m_choices[m_logic.m_fileMapType]->setChecked(true);
  ShowChoice();
}

void NewMappingDialog::ShowChoice() {
  m_editLabel->setText(Q(m_logic.EditLabel()));
  m_edit->setEnabled(m_logic.EditEnabled());
}

void NewMappingDialog::accept() {
  QtEditorPrompts prompts(this);
  m_mapping = m_logic.OnOK(prompts);
  if (m_mapping) {
    QDialog::accept();
  }
}

// --- Enter Translation: ---

EnterTranslationDialog::EnterTranslationDialog(QWidget* parent,
                                               const std::vector<std::string>& outputs)
    : QDialog(parent) {
  setWindowTitle(Q(CEnterTranslationDlg::kCaption));
  auto* inputGroup = new QGroupBox(Q(CEnterTranslationDlg::kInputLabel), this);
  m_input = Edit("inputEdit", inputGroup);
  (new QVBoxLayout(inputGroup))->addWidget(m_input);
  auto* outputGroup = new QGroupBox(Q(CEnterTranslationDlg::kOutputLabel), this);
  m_output = new QComboBox(outputGroup);
  m_output->setObjectName("outputEdit");
  m_output->setEditable(true);
  m_output->addItems(Texts(outputs));
  m_output->setEditText(QString());
  (new QVBoxLayout(outputGroup))->addWidget(m_output);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(inputGroup);
  layout->addWidget(outputGroup);
  layout->addWidget(OkCancel(this));
  setMinimumWidth(300);
}

void EnterTranslationDialog::accept() {
  CEnterTranslationDlg logic;
  logic.m_input = S(m_input->text());
  logic.m_output = S(m_output->currentText());
  QtEditorPrompts prompts(this);
  m_translation = logic.OnOK(prompts);
  if (m_translation) {
    QDialog::accept();
  }
}

// --- Mapping ---

MappingDialog::MappingDialog(QWidget* parent, const CMapping& mapping,
                             const UploadEditorOptions& options)
    : QDialog(parent), m_logic(mapping, options.m_useUuid, options.m_lists) {
  setWindowTitle(Q(CMappingDlg::kCaption));
  auto* fieldGroup = new QGroupBox(Q(CMappingDlg::kListHeading), this);
  m_fields = ReportList(fieldGroup, Texts(CMappingDlg::kColumns), "fieldList");
  for (std::size_t row = 0; row < m_logic.RowCount(); ++row) {
    m_fields->addTopLevelItem(new QTreeWidgetItem);
    FillRow(static_cast<int>(row));
  }
  for (int column = 0; column < m_fields->columnCount(); ++column) {
    m_fields->resizeColumnToContents(column);
  }
  m_fields->setMinimumWidth(360);
  m_start = Edit("startEdit", fieldGroup);
  m_start->setText(Q(m_logic.m_startText));
  connect(m_start, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_logic.m_startText = S(text); });
  auto* fieldLayout = new QVBoxLayout(fieldGroup);
  fieldLayout->addWidget(m_fields, 1);
  fieldLayout->addWidget(LabelledRow(CMappingDlg::kStartLabel, m_start, fieldGroup));

  m_sheet = new QTabWidget(this);
  m_sheet->setObjectName("sheet");
  m_page = MakePage();
  m_sheet->addTab(m_page, QString());
  // Room for the fullest page, measured while every control is still shown.
  m_sheet->setMinimumSize(m_sheet->sizeHint().expandedTo(QSize(380, 0)));
  ConnectPage();

  auto* body = new QHBoxLayout;
  body->addWidget(fieldGroup, 1);
  body->addWidget(m_sheet);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addWidget(OkCancel(this));

  connect(m_fields, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    const int row = item == nullptr ? -1 : m_fields->indexOfTopLevelItem(item);
    m_logic.Select(row < 0 ? std::nullopt : std::optional<std::size_t>(row));
    ShowPage();
  });
  ShowPage();
}

QWidget* MappingDialog::MakePage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  m_mapType = new QComboBox(page);
  m_mapType->setObjectName("mapType");
  layout->addWidget(LabelledRow("Map Type", m_mapType, page));
  m_justify = new QComboBox(page);
  m_justify->setObjectName("justify");
  m_justify->addItems(Texts(CMappingDlg::kJustifyChoices));
  layout->addWidget(LabelledRow("Justify", m_justify, page));
  m_length = Edit("length", page);
  m_lengthRow = LabelledRow("Field Length", m_length, page);
  layout->addWidget(m_lengthRow);
  m_constant = new QComboBox(page);
  m_constant->setObjectName("constant");
  layout->addWidget(LabelledRow("Constant", m_constant, page));

  m_filePosition = new QGroupBox(page);
  auto* fileLayout = new QGridLayout(m_filePosition);
  m_rowLabel = new QLabel(m_filePosition);
  m_row = Edit("row", m_filePosition);
  m_offsetLabel = new QLabel(m_filePosition);
  m_offset = Edit("offset", m_filePosition);
  fileLayout->addWidget(m_rowLabel, 0, 0);
  fileLayout->addWidget(m_row, 0, 1);
  fileLayout->addWidget(m_offsetLabel, 1, 0);
  fileLayout->addWidget(m_offset, 1, 1);
  layout->addWidget(m_filePosition);
  m_linePosition = new QGroupBox(page);
  auto* lineLayout = new QHBoxLayout(m_linePosition);
  m_columnLabel = new QLabel(m_linePosition);
  m_column = Edit("column", m_linePosition);
  lineLayout->addWidget(m_columnLabel);
  lineLayout->addWidget(m_column, 1);
  layout->addWidget(m_linePosition);

  m_notBlank = Check("Must not be blank", "notBlank", page);
  m_numeric = Check("Must be numeric", "numeric", page);
  m_mkUpper = Check("Convert to upper case.", "mkUpper", page);
  m_translate = Check("Translate to B or S", "translate", page);
  m_abs = Check("Delete leading sign", "abs", page);
  m_x1000 = Check("x1000", "x1000", page);
  for (QCheckBox* check : {m_notBlank, m_numeric, m_mkUpper}) {
    layout->addWidget(check);
  }
  m_default = Edit("default", page);
  m_defaultRow = LabelledRow("Default Value", m_default, page);
  layout->addWidget(m_defaultRow);
  for (QCheckBox* check : {m_translate, m_abs, m_x1000}) {
    layout->addWidget(check);
  }
  layout->addWidget(MakeTranslations(page));
  layout->addStretch(1);
  m_apply = Button(CMappingDlg::kApply, "apply", page);
  auto* applyRow = new QHBoxLayout;
  applyRow->addStretch(1);
  applyRow->addWidget(m_apply);
  layout->addLayout(applyRow);
  return page;
}

QWidget* MappingDialog::MakeTranslations(QWidget* page) {
  m_translationsGroup = new QGroupBox(Q("Translations"), page);
  m_translations = ReportList(m_translationsGroup, {Q("Input"), Q("Output")}, "translations");
  m_translations->setMinimumHeight(80);
  auto* add = Button("Add", "addTranslation", m_translationsGroup);
  m_deleteTranslation = Button("Delete", "deleteTranslation", m_translationsGroup);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(m_deleteTranslation);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(m_translationsGroup);
  layout->addWidget(m_translations, 1);
  layout->addLayout(buttons);
  connect(add, &QPushButton::clicked, this, &MappingDialog::OnAddTranslation);
  connect(m_deleteTranslation, &QPushButton::clicked, this, [this] {
    const int row = m_translations->indexOfTopLevelItem(m_translations->currentItem());
    if (row >= 0 && m_logic.DeleteTranslation(static_cast<std::size_t>(row))) {
      FillTranslations();
      ShowState();
    }
  });
  connect(m_translations, &QTreeWidget::currentItemChanged, this, [this] { ShowState(); });
  return m_translationsGroup;
}

void MappingDialog::ConnectPage() {
  // Every change the user makes goes into the page's controls and marks the page modified.
  const auto onText = [this](QLineEdit* edit, std::string FieldPageControls::*member) {
    connect(edit, &QLineEdit::textChanged, this, [this, member](const QString& text) {
      if (!m_loading) {
        m_logic.Edit().*member = S(text);
        ShowState();
      }
    });
  };
  onText(m_length, &FieldPageControls::m_length);
  onText(m_row, &FieldPageControls::m_row);
  onText(m_offset, &FieldPageControls::m_offset);
  onText(m_column, &FieldPageControls::m_column);
  onText(m_default, &FieldPageControls::m_default);
  const auto onCheck = [this](QCheckBox* check, bool FieldPageControls::*member) {
    connect(check, &QCheckBox::toggled, this, [this, member](bool on) {
      if (!m_loading) {
        m_logic.Edit().*member = on;
        ShowState();
      }
    });
  };
  onCheck(m_notBlank, &FieldPageControls::m_notBlank);
  onCheck(m_numeric, &FieldPageControls::m_numeric);
  onCheck(m_mkUpper, &FieldPageControls::m_mkUpper);
  onCheck(m_translate, &FieldPageControls::m_translate);
  onCheck(m_abs, &FieldPageControls::m_abs);
  onCheck(m_x1000, &FieldPageControls::m_x1000);
  const auto onIndex = [this](QComboBox* combo, int FieldPageControls::*member) {
    connect(combo, &QComboBox::currentIndexChanged, this, [this, member](int index) {
      if (!m_loading && index >= 0) {
        m_logic.Edit().*member = index;
        ShowState();
      }
    });
  };
  onIndex(m_mapType, &FieldPageControls::m_mapType);
  onIndex(m_justify, &FieldPageControls::m_justify);
  connect(m_constant, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (!m_loading) {
      m_logic.Edit().m_constant = S(text);
      ShowState();
    }
  });
  connect(m_apply, &QPushButton::clicked, this, &MappingDialog::OnApply);
}

void MappingDialog::FillRow(int row) {
  QTreeWidgetItem* item = m_fields->topLevelItem(row);
  const std::vector<std::string> texts = m_logic.RowTexts(static_cast<std::size_t>(row));
  for (std::size_t column = 0; column < texts.size(); ++column) {
    item->setText(static_cast<int>(column), Q(texts[column]));
  }
}

void MappingDialog::ShowPage() {
  m_loading = true;
  const FieldPageControls& controls = m_logic.Controls();
  m_mapType->clear();
  m_mapType->addItems(Texts(m_logic.MapTypeChoices()));
  m_mapType->setCurrentIndex(controls.m_mapType < m_mapType->count() ? controls.m_mapType : -1);
  m_justify->setCurrentIndex(controls.m_justify);
  m_length->setText(Q(controls.m_length));

  const FieldPageInfo& info = PageInfo(m_logic.Page());
  m_constant->clear();
  m_constant->setEditable(info.m_constantSource != ConstantSource::kFixedList);
  if (info.m_constantSource == ConstantSource::kFixedList) {
    m_constant->addItem(QString());  // nothing chosen yet
  }
  m_constant->addItems(Texts(m_logic.ConstantChoices()));
  const QString constant = Q(controls.m_constant);
  if (m_constant->isEditable()) {
    m_constant->setEditText(constant);
  } else {
    if (m_constant->findText(constant) < 0) {
      m_constant->addItem(constant);  // a value from the file outside the choices
    }
    m_constant->setCurrentIndex(m_constant->findText(constant));
  }

  const std::vector<std::string> labels = m_logic.PositionLabels();
  m_filePosition->setTitle(Q(m_logic.FilePositionGroup()));
  m_linePosition->setTitle(Q(m_logic.LinePositionGroup()));
  m_rowLabel->setText(Q(labels[0]));
  m_offsetLabel->setText(Q(labels[1]));
  m_columnLabel->setText(Q(labels[2]));
  m_columnLabel->setVisible(!labels[2].empty());
  m_row->setText(Q(controls.m_row));
  m_offset->setText(Q(controls.m_offset));
  m_column->setText(Q(controls.m_column));
  m_notBlank->setChecked(controls.m_notBlank);
  m_numeric->setChecked(controls.m_numeric);
  m_mkUpper->setChecked(controls.m_mkUpper);
  m_default->setText(Q(controls.m_default));
  m_translate->setChecked(controls.m_translate);
  m_abs->setChecked(controls.m_abs);
  m_x1000->setChecked(controls.m_x1000);
  FillTranslations();
  m_loading = false;
  ShowState();
}

void MappingDialog::FillTranslations() {
  m_translations->clear();
  for (const CTranslation& translation : m_logic.Controls().m_translations) {
    m_translations->addTopLevelItem(
        new QTreeWidgetItem(QStringList{Q(translation.m_input), Q(translation.m_output)}));
  }
}

void MappingDialog::ShowState() {
  using C = CMappingDlg::Control;
  m_sheet->setTabText(0, Q(m_logic.Title()));
  const std::pair<QWidget*, C> controls[] = {
      {m_mapType->parentWidget(), C::kMapType},
      {m_justify->parentWidget(), C::kJustify},
      {m_lengthRow, C::kLength},
      {m_constant->parentWidget(), C::kConstant},
      {m_filePosition, C::kFilePosition},
      {m_linePosition, C::kLinePosition},
      {m_notBlank, C::kNotBlank},
      {m_numeric, C::kNumeric},
      {m_mkUpper, C::kMkUpper},
      {m_defaultRow, C::kDefault},
      {m_translate, C::kTranslate},
      {m_abs, C::kAbs},
      {m_x1000, C::kX1000},
      {m_translationsGroup, C::kTranslations},
      {m_apply, C::kApply},
  };
  for (const auto& [widget, control] : controls) {
    widget->setVisible(m_logic.Shown(control));
    widget->setEnabled(m_logic.Enabled(control));
  }
  m_deleteTranslation->setEnabled(m_translations->currentItem() != nullptr);
}

void MappingDialog::OnApply() {
  QtEditorPrompts prompts(this);
  if (!m_logic.Apply(prompts)) {
    return;
  }
  FillRow(static_cast<int>(*m_logic.Selected()));
  ShowPage();
}

void MappingDialog::OnAddTranslation() {
  EnterTranslationDialog dialog(this, m_logic.TranslationOutputs());
  if (dialog.exec() == QDialog::Accepted && dialog.Translation()) {
    m_logic.AddTranslation(*dialog.Translation());
    FillTranslations();
    ShowState();
  }
}

void MappingDialog::accept() {
  QtEditorPrompts prompts(this);
  if (m_logic.OnOK(prompts)) {
    m_mapping = m_logic.TakeMapping();
    QDialog::accept();
  }
}

// --- Profile ---

ProfileDialog::ProfileDialog(QWidget* parent, UserProfile& profile, std::string path,
                             UploadEditorOptions options)
    : QDialog(parent), m_logic(profile), m_path(std::move(path)), m_options(options) {
  setWindowTitle(Q(CProfileDlg::kCaption));
  m_uuid = Edit("uuidEdit", this);
  m_uuid->setText(Q(m_logic.m_uuidText));
  connect(m_uuid, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_logic.m_uuidText = S(text); });

  auto* group = new QGroupBox(Q(CProfileDlg::kMappingsGroup), this);
  m_list = ReportList(group, Texts(CProfileDlg::kColumns), "mappingList");
  m_list->setMinimumWidth(320);
  m_add = Button("Add", "add", group);
  m_delete = Button("Delete", "delete", group);
  m_configure = Button("Configure", "configure", group);
  m_setActive = Button("Set Active", "setActive", group);
  m_clearActive = Button("Clear Active", "clearActive", group);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {m_add, m_delete, m_configure, m_setActive, m_clearActive}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  auto* groupLayout = new QHBoxLayout(group);
  groupLayout->addWidget(m_list, 1);
  groupLayout->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LabelledRow(CProfileDlg::kUuidLabel, m_uuid, this));
  layout->addWidget(group, 1);
  layout->addWidget(OkCancel(this));

  connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { ShowButtons(); });
  connect(m_add, &QPushButton::clicked, this, &ProfileDialog::OnAdd);
  connect(m_delete, &QPushButton::clicked, this, &ProfileDialog::OnDelete);
  connect(m_configure, &QPushButton::clicked, this, &ProfileDialog::OnConfigure);
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, &ProfileDialog::OnConfigure);
  connect(m_setActive, &QPushButton::clicked, this, [this] {
    if (const auto row = SelectedRow()) {
      m_logic.SetActive(*row);
      FillList(row);
    }
  });
  connect(m_clearActive, &QPushButton::clicked, this, [this] {
    m_logic.ClearActive();
    FillList(SelectedRow());
  });
  FillList(std::nullopt);
}

void ProfileDialog::FillList(std::optional<std::size_t> select) {
  m_list->clear();
  const std::optional<std::size_t> active = m_logic.ActiveRow();
  for (std::size_t row = 0; row < m_logic.RowCount(); ++row) {
    auto* item = new QTreeWidgetItem(
        QStringList{Q(m_logic.FileNameText(row)), Q(m_logic.FormatTypeText(row))});
    if (active == row) {  // the mapping every file uses
      QFont font = item->font(0);
      font.setBold(true);
      item->setFont(0, font);
      item->setFont(1, font);
    }
    m_list->addTopLevelItem(item);
  }
  m_list->resizeColumnToContents(0);
  if (select && *select < m_logic.RowCount()) {
    m_list->setCurrentItem(m_list->topLevelItem(static_cast<int>(*select)));
  }
  ShowButtons();
}

std::optional<std::size_t> ProfileDialog::SelectedRow() const {
  const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
  return row < 0 ? std::nullopt : std::optional<std::size_t>(row);
}

void ProfileDialog::ShowButtons() {
  using B = CProfileDlg::Button;
  const std::optional<std::size_t> selected = SelectedRow();
  const std::pair<QPushButton*, B> buttons[] = {{m_add, B::kAdd},
                                                {m_delete, B::kDelete},
                                                {m_configure, B::kConfigure},
                                                {m_setActive, B::kSetActive},
                                                {m_clearActive, B::kClearActive}};
  for (const auto& [button, which] : buttons) {
    button->setEnabled(m_logic.Enabled(which, selected));
  }
}

void ProfileDialog::OnAdd() {
  NewMappingDialog dialog(this, m_logic.m_working);
  if (dialog.exec() == QDialog::Accepted) {
    if (std::unique_ptr<CMapping> mapping = dialog.TakeMapping()) {
      FillList(m_logic.AddMapping(std::move(mapping)));
    }
  }
}

void ProfileDialog::OnDelete() {
  const std::optional<std::size_t> row = SelectedRow();
  QtEditorPrompts prompts(this);
  if (row && m_logic.DeleteMapping(*row, prompts)) {
    FillList(std::nullopt);
  }
}

void ProfileDialog::OnConfigure() {
  const std::optional<std::size_t> row = SelectedRow();
  const CMapping* mapping = row ? m_logic.MappingAt(*row) : nullptr;
  if (mapping == nullptr) {
    return;
  }
  MappingDialog dialog(this, *mapping, m_options);
  if (dialog.exec() == QDialog::Accepted) {
    if (std::unique_ptr<CMapping> edited = dialog.TakeMapping()) {
      m_logic.ReplaceMapping(*row, std::move(edited));
      FillList(row);
    }
  }
}

void ProfileDialog::accept() {
  m_saved = m_logic.OnOK(m_path, m_error);
  QDialog::accept();
}

bool EditUploadProfile(QWidget* parent, UserProfile& profile, const std::string& path,
                       const UploadEditorOptions& options, CFileError& error) {
  ProfileDialog dialog(parent, profile, path, options);
  if (dialog.exec() != QDialog::Accepted || dialog.Saved()) {
    return true;
  }
  error = dialog.Error();
  return false;
}

}  // namespace trqx
