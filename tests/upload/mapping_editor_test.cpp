#include "upload/mapping_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_prompts.h"
#include "support/fields.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"

namespace trqx {
namespace {

using Control = CMappingDlg::Control;

OstraneField Field(const std::string& name, int width, int type) {
  return Fields({{name, width, type}}).front();
}

// A comma separated mapping, or with fixed a fixed-field one, of the fields; edit(i, map)
// sets up the field map of each.
template <class Edit>
std::unique_ptr<CMapping> MappingOf(bool fixed, const std::vector<FieldDef>& defs, Edit edit) {
  const auto fill = [&](auto mapping) -> std::unique_ptr<CMapping> {
    for (std::size_t i = 0; i < mapping->m_fields.size(); ++i) {
      edit(i, mapping->m_fields[i]);
    }
    return mapping;
  };
  return fixed ? fill(std::make_unique<CFixedMapping>(true, Fields(defs)))
               : fill(std::make_unique<CGridMapping>(kFormatComma, true, Fields(defs)));
}

TEST(MappingColumns, MapTypeTextNamesWhereTheValueComesFrom) {
  struct Row {
    bool fixed;
    int mapType;
    std::string shown;
  };
  const Row rows[] = {{.fixed = false, .mapType = 0, .shown = "Const: BS"},
                      {.fixed = false, .mapType = 1, .shown = "Cell: Row 4, Col 7"},
                      {.fixed = false, .mapType = 2, .shown = "Col: 3"},
                      {.fixed = false, .mapType = 3, .shown = "Auto MKT/LMT"},
                      {.fixed = true, .mapType = 0, .shown = "Const: BS"},
                      {.fixed = true, .mapType = 1, .shown = "Line: 5"},
                      {.fixed = true, .mapType = 2, .shown = "Offset: 12"},
                      {.fixed = true, .mapType = 3, .shown = "Auto MKT/LMT"}};
  for (const Row& row : rows) {
    CFieldGridMap grid(Field("SIDE", 2, kTypeDataSide));
    grid.m_tableRow = 4;
    grid.m_tableCol = 7;
    grid.m_fixedCol = 3;
    CFieldFixedMap fixed(Field("SIDE", 2, kTypeDataSide));
    fixed.m_line = 5;
    fixed.m_lineOffset = 9;
    fixed.m_fixedLineOffset = 12;
    grid.m_mapType = fixed.m_mapType = row.mapType;
    grid.m_constant = fixed.m_constant = "BS";
    EXPECT_EQ(row.fixed ? MapTypeText(fixed) : MapTypeText(grid), row.shown) << row.mapType;
  }
}

TEST(MappingColumns, RowShowsTypeLabelNameWidthAndMapType) {
  const auto fields = Fields(
      {{"ACCT", 8, kTypeHdr}, {"CACHE", 5, kTypeDataCacheable}, {"QTY", 12, kTypeExecQuantity}});
  CFixedMapping mapping(true, fields);
  mapping.m_fields[2].m_mapType = kMapColumn;
  mapping.m_fields[2].m_fixedLineOffset = 30;
  const CMappingDlg dlg(mapping, false);
  ASSERT_EQ(dlg.RowCount(), 3u);
  EXPECT_EQ(dlg.RowTexts(0), (std::vector<std::string>{"Hdr", "ACCT", "8", "Const: "}));
  EXPECT_EQ(dlg.RowTexts(1),
            (std::vector<std::string>{"*Data(Cacheable", "CACHE", "5", "Const: "}));
  EXPECT_EQ(dlg.RowTexts(2), (std::vector<std::string>{"Data(Exec)", "QTY", "12", "Offset: 30"}));
  EXPECT_TRUE(dlg.RowTexts(3).empty());
}

TEST(MappingPages, EachTypeShowsItsPage) {
  struct Row {
    int type;
    std::string title;
    int mapTypes;
    std::vector<std::string> constants = {};
  };
  const Row rows[] = {
      {.type = 1, .title = "Hdr Field Mapping Specifiers", .mapTypes = 2},
      {.type = 3, .title = "Hdr Field Mapping Specifiers", .mapTypes = 2},
      {.type = 5, .title = "Hdr Field Mapping Specifiers", .mapTypes = 2},
      {.type = 2, .title = "Data Field Mapping Specifiers", .mapTypes = 3},
      {.type = 27, .title = "Data Field Mapping Specifiers", .mapTypes = 3},
      {.type = 15, .title = "Data Field Mapping Specifiers", .mapTypes = 3},
      {.type = 28,
       .title = "Cusip/Sedol/Isin Code Field Mapping Specifiers",
       .mapTypes = 3,
       .constants = {"C", "S", "I"}},
      {.type = 4,
       .title = "Side Field Mapping Specifier",
       .mapTypes = 3,
       .constants = {"BS", "SS", "B", "S"}},
      {.type = 6, .title = "Amount Field Mapping Specifier", .mapTypes = 3},
      {.type = 7, .title = "Limit Field Mapping Specifiers", .mapTypes = 3},
      {.type = 8,
       .title = "Exchange Field Mapping Specifier",
       .mapTypes = 3,
       .constants = {"NYSE"}},
      {.type = 9,
       .title = "OrderType Field Mapping Specifier",
       .mapTypes = 4,
       .constants = {"MKT"}},
      {.type = 10, .title = "CUSIP Field Mapping Specifiers", .mapTypes = 3},
      {.type = 11, .title = "Basket ID Field Mapping Specifiers", .mapTypes = 2},
      {.type = 29,
       .title = "Time in Force Field Mapping Specifiers",
       .mapTypes = 3,
       .constants = {"DAY", "GTC", "GTD", "IOC", "FOK", "OPG", "ATC"}},
      {.type = 12, .title = "Cacheable Hdr Field Mapping Specifier", .mapTypes = 2},
      {.type = 13, .title = "Cacheable Data Field Mapping Specifiers", .mapTypes = 3},
      {.type = 37,
       .title = "Reason Code Field Mapping Specifiers",
       .mapTypes = 3,
       .constants = {"R1"}},
      {.type = 38, .title = "Exec Quantity Field Mapping Specifier", .mapTypes = 3},
      {.type = 39, .title = "Data Field Mapping Specifiers", .mapTypes = 3},
      {.type = 40, .title = "Data Field Mapping Specifiers", .mapTypes = 3},
      {.type = 41, .title = "Data Field Mapping Specifiers", .mapTypes = 3},
  };
  const std::vector<std::string> exchanges{"NYSE"};
  const std::vector<std::string> orderTypes{"MKT"};
  const std::vector<std::string> reasons{"R1"};
  const ValueLists lists{
      .m_exchanges = &exchanges, .m_orderTypes = &orderTypes, .m_reasons = &reasons};
  const std::vector<std::string> allMapTypes{"Constant", "Map To Cell", "Map To Col",
                                             "Map To Auto MKT/LMT"};
  for (const Row& row : rows) {
    const CGridMapping mapping(kFormatComma, true, {Field("F", 4, row.type)});
    CMappingDlg dlg(mapping, false, lists);
    EXPECT_EQ(dlg.Title(), "No Selection");
    dlg.Select(0);
    EXPECT_EQ(dlg.Title(), row.title) << row.type;
    EXPECT_EQ(dlg.MapTypeChoices(),
              std::vector<std::string>(allMapTypes.begin(), allMapTypes.begin() + row.mapTypes))
        << row.type;
    EXPECT_EQ(dlg.ConstantChoices(), row.constants) << row.type;
  }
}

TEST(MappingPages, FixedMappingsNamePositionsByFileAndLine) {
  const CFixedMapping mapping(true, Fields({{"ACCT", 8, kTypeHdr}, {"QTY", 9, kTypeDataAmount}}));
  CMappingDlg dlg(mapping, false);
  dlg.Select(0);
  EXPECT_EQ(dlg.MapTypeChoices(), (std::vector<std::string>{"Constant", "Map To File Position"}));
  EXPECT_EQ(dlg.PositionLabels(), (std::vector<std::string>{"Start Line #", "Offset", "Offset"}));
  EXPECT_EQ(std::string(dlg.FilePositionGroup()), "Mapped To File Position");
  dlg.Select(1);
  EXPECT_EQ(dlg.MapTypeChoices(),
            (std::vector<std::string>{"Constant", "Map To File Position", "Map To Line Position"}));
  EXPECT_EQ(dlg.PositionLabels(), (std::vector<std::string>{"Line #", "Offset", "Offset"}));
  EXPECT_EQ(std::string(dlg.LinePositionGroup()), "Mapped To Line Position");
}

TEST(MappingPages, ControlsShownByPageAndEnabledByMapType) {
  using C = Control;
  struct Row {
    int type;
    int map;  // the field's map type
    C control;
    bool shown;
    bool enabled;
    bool fixed = false;
  };
  const Row rows[] = {
      {.type = 2, .map = 0, .control = C::kConstant, .shown = true, .enabled = true},
      {.type = 2, .map = 1, .control = C::kConstant, .shown = true, .enabled = false},
      {.type = 2, .map = 1, .control = C::kFilePosition, .shown = true, .enabled = true},
      {.type = 2, .map = 2, .control = C::kFilePosition, .shown = true, .enabled = false},
      {.type = 2, .map = 2, .control = C::kLinePosition, .shown = true, .enabled = true},
      {.type = 9, .map = 3, .control = C::kLinePosition, .shown = true, .enabled = false},
      {.type = 2, .map = 0, .control = C::kTranslations, .shown = true, .enabled = false},
      {.type = 2, .map = 2, .control = C::kTranslations, .shown = true, .enabled = true},
      {.type = 1, .map = 1, .control = C::kTranslations, .shown = false, .enabled = false},
      {.type = 11, .map = 0, .control = C::kNotBlank, .shown = false, .enabled = false},
      {.type = 12, .map = 0, .control = C::kLinePosition, .shown = false, .enabled = false},
      {.type = 2, .map = 0, .control = C::kLength, .shown = false, .enabled = false},
      {.type = 2, .map = 0, .control = C::kLength, .shown = true, .enabled = true, .fixed = true},
      {.type = 4, .map = 0, .control = C::kTranslate, .shown = true, .enabled = true},
      {.type = 8, .map = 0, .control = C::kTranslate, .shown = false, .enabled = false},
      {.type = 6, .map = 0, .control = C::kAbs, .shown = true, .enabled = true, .fixed = true},
      {.type = 38, .map = 0, .control = C::kX1000, .shown = true, .enabled = true},
      {.type = 39, .map = 0, .control = C::kX1000, .shown = false, .enabled = false},
      {.type = 2, .map = 0, .control = C::kApply, .shown = true, .enabled = false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("type " + std::to_string(row.type) + " map type " + std::to_string(row.map) +
                 " control " + std::to_string(static_cast<int>(row.control)));
    const std::unique_ptr<CMapping> mapping = MappingOf(
        row.fixed, {{"F", 4, row.type}}, [&](std::size_t, auto& map) { map.m_mapType = row.map; });
    CMappingDlg dlg(*mapping, false);
    EXPECT_FALSE(dlg.Shown(row.control));  // nothing while no field is selected
    dlg.Select(0);
    EXPECT_EQ(dlg.Shown(row.control), row.shown);
    EXPECT_EQ(dlg.Enabled(row.control), row.enabled);
  }
}

TEST(MappingSheet, ChangesMarkTheTitleUntilApplied) {
  const CGridMapping mapping(kFormatComma, true,
                             Fields({{"SIDE", 2, kTypeDataSide}, {"QTY", 9, kTypeDataAmount}}));
  CMappingDlg dlg(mapping, false);
  RecordingPrompts prompts;
  dlg.Select(0);
  EXPECT_EQ(dlg.Title(), "Side Field Mapping Specifier");
  dlg.Edit().m_constant = "B";
  EXPECT_EQ(dlg.Title(), "Side Field Mapping Specifier -*(Modified)");
  EXPECT_TRUE(dlg.Enabled(Control::kApply));
  ASSERT_TRUE(dlg.Apply(prompts));
  EXPECT_EQ(dlg.Title(), "Side Field Mapping Specifier");
  EXPECT_EQ(dlg.RowTexts(0)[3], "Const: B");

  dlg.Edit().m_constant = "S";
  dlg.Select(1);  // the unapplied change is dropped
  EXPECT_EQ(dlg.Title(), "Amount Field Mapping Specifier");
  dlg.Select(0);
  EXPECT_EQ(dlg.Controls().m_constant, "B");
}

TEST(MappingSheet, ApplyCopiesGridControlsIntoTheFieldMapping) {
  const CGridMapping mapping(kFormatComma, true, {Field("OT", 3, kTypeDataOrderType)});
  CMappingDlg dlg(mapping, false);
  RecordingPrompts prompts;
  dlg.Select(0);
  FieldPageControls& controls = dlg.Edit();
  controls.m_mapType = kMapColumn;
  controls.m_justify = 0;  // "Left"
  controls.m_row = "12";
  controls.m_offset = "abc";  // not a number: 0
  controls.m_column = " 7x";
  controls.m_notBlank = true;
  controls.m_mkUpper = true;
  controls.m_default = "LMT";
  controls.m_constant = "a,\"b\"";
  controls.m_translations = {CTranslation{}};
  ASSERT_TRUE(dlg.Apply(prompts));
  ASSERT_TRUE(dlg.OnOK(prompts));
  const std::unique_ptr<CMapping> edited = dlg.TakeMapping();
  const CFieldGridMap& field = dynamic_cast<CGridMapping&>(*edited).m_fields[0];
  EXPECT_EQ(field.m_mapType, kMapColumn);
  EXPECT_EQ(field.m_justify, kJustifyLeft);
  EXPECT_EQ(field.m_tableRow, 12);
  EXPECT_EQ(field.m_tableCol, 0);
  EXPECT_EQ(field.m_fixedCol, 7);
  EXPECT_TRUE(field.m_notBlank);
  EXPECT_FALSE(field.m_numeric);
  EXPECT_TRUE(field.m_mkUpper);
  EXPECT_EQ(field.m_default, "LMT");
  EXPECT_EQ(field.m_constant, "a,\"b\"");
  EXPECT_EQ(field.m_translations.size(), 1u);
  EXPECT_FALSE(field.m_makeMktOrLmt);
}

TEST(MappingSheet, ApplyCopiesFixedControlsAndTheAutoChoice) {
  const CFixedMapping mapping(true, {Field("OT", 3, kTypeDataOrderType)});
  CMappingDlg dlg(mapping, false);
  RecordingPrompts prompts;
  dlg.Select(0);
  EXPECT_EQ(dlg.Controls().m_justify, 1);  // a new field mapping is "Right"
  EXPECT_EQ(dlg.Controls().m_length, "1");
  FieldPageControls& controls = dlg.Edit();
  controls.m_mapType = kMapAutoOrderType;
  controls.m_length = "6";
  controls.m_row = "3";
  controls.m_offset = "-2";
  controls.m_column = "40";
  ASSERT_TRUE(dlg.Apply(prompts));
  EXPECT_EQ(dlg.RowTexts(0)[3], "Auto MKT/LMT");
  ASSERT_TRUE(dlg.OnOK(prompts));
  const std::unique_ptr<CMapping> edited = dlg.TakeMapping();
  const CFieldFixedMap& field = dynamic_cast<CFixedMapping&>(*edited).m_fields[0];
  EXPECT_EQ(field.m_mapType, kMapAutoOrderType);
  EXPECT_TRUE(field.m_makeMktOrLmt);
  EXPECT_EQ(field.m_justify, kJustifyRight);
  EXPECT_EQ(field.m_length, 6);
  EXPECT_EQ(field.m_line, 3);
  EXPECT_EQ(field.m_lineOffset, -2);
  EXPECT_EQ(field.m_fixedLineOffset, 40);
}

TEST(MappingSheet, ApplyRefusesALineBreak) {
  const CGridMapping mapping(kFormatComma, true, {Field("D", 3, kTypeData)});
  CMappingDlg dlg(mapping, false);
  RecordingPrompts prompts;
  EXPECT_FALSE(dlg.Apply(prompts));  // nothing selected
  dlg.Select(0);
  dlg.Edit().m_default = "two\nlines";
  EXPECT_FALSE(dlg.Apply(prompts));
  EXPECT_EQ(prompts.m_messages, std::vector<std::string>{kTextLineBreak});
  EXPECT_TRUE(dlg.Modified());
}

TEST(MappingSheet, TranslationsAreAddedAndDeletedOnThePage) {
  const CGridMapping mapping(kFormatComma, true, {Field("X", 3, kTypeDataExchange)});
  CMappingDlg dlg(mapping, false);
  dlg.Select(0);
  dlg.AddTranslation({});
  EXPECT_TRUE(dlg.Modified());
  EXPECT_EQ(dlg.Controls().m_translations.size(), 1u);
  EXPECT_FALSE(dlg.DeleteTranslation(1));
  EXPECT_TRUE(dlg.DeleteTranslation(0));
  EXPECT_TRUE(dlg.Controls().m_translations.empty());
}

TEST(EnterTranslationDialog, TrimsBothValuesAndRefusesLineBreaks) {
  struct Row {
    std::string input;
    std::string output;
    std::string storedInput = {};
    std::string storedOutput = {};
    bool accepted = true;
  };
  const Row rows[] = {
      {.input = "  BUY \t", .output = " B ", .storedInput = "BUY", .storedOutput = "B"},
      {.input = "a,\"b\"", .output = "", .storedInput = "a,\"b\"", .storedOutput = ""},
      {.input = "x\ny", .output = "B", .accepted = false},
      {.input = "BUY", .output = "B\rS", .accepted = false},
  };
  for (const Row& row : rows) {
    CEnterTranslationDlg dlg;
    dlg.m_input = row.input;
    dlg.m_output = row.output;
    RecordingPrompts prompts;
    const std::optional<CTranslation> translation = dlg.OnOK(prompts);
    ASSERT_EQ(translation.has_value(), row.accepted) << row.input;
    if (translation) {
      EXPECT_EQ(translation->m_input, row.storedInput);
      EXPECT_EQ(translation->m_output, row.storedOutput);
    } else {
      EXPECT_EQ(prompts.m_messages, std::vector<std::string>{kTextLineBreak});
    }
  }
}

// OK's checks: the field list, the "Use UUID Flag", and the first message (or none).
struct CheckRow {
  std::string name;
  std::vector<std::pair<int, std::string>> fields;  // Type and Constant
  bool useUuid = false;
  bool fixed = false;
  std::string message = {};
  int mapType = kMapConstant;  // of every field
};

std::string SelectMessage(const std::string& field) {
  return "A non-blank value must be selected for the \"" + field +
         "\" Field when 'Constant' is selected for the Map Type.\n(Be sure to 'Apply' the change)";
}
const std::string kGridUuid =
    "A non-zero positive numeric value must be entered for the \"UUID\" Field when 'Constant' is "
    "selected for the Map Type.\n(Be sure to 'Apply' the change)";
const std::string kFixedUuid =
    "A non-zero positive numeric value must be entered  for the \"UUID\" Field when 'Constant' "
    "is selected for the Map Type.\n(Be sure to 'Apply' the change)";

TEST(MappingOk, ChecksEachFieldInOrder) {
  const CheckRow rows[] = {
      {.name = "side blank", .fields = {{kTypeDataSide, ""}}, .message = SelectMessage("Side")},
      {.name = "code type blank",
       .fields = {{kTypeDataCsi, ""}},
       .message = SelectMessage("Cusip/Sedol/Isin Code")},
      {.name = "exchange blank",
       .fields = {{kTypeDataExchange, ""}},
       .message = SelectMessage("Exchange")},
      {.name = "order type blank",
       .fields = {{kTypeDataOrderType, ""}},
       .message = SelectMessage("Order Type")},
      {.name = "first failing field wins",
       .fields = {{kTypeDataSide, "B"}, {kTypeDataOrderType, ""}, {kTypeDataCsi, ""}},
       .message = SelectMessage("Order Type")},
      {.name = "all chosen", .fields = {{kTypeDataSide, "B"}, {kTypeDataCsi, "C"}}},
      {.name = "only a constant", .fields = {{kTypeDataSide, ""}}, .mapType = kMapColumn},
      {.name = "a blank constant elsewhere passes",
       .fields = {{kTypeData, ""}, {kTypeDataTif, ""}}},
      {.name = "uuid 0 without the flag", .fields = {{kTypeHdrUuid, "0"}}},
      {.name = "uuid 0", .fields = {{kTypeHdrUuid, "0"}}, .useUuid = true, .message = kGridUuid},
      {.name = "uuid blank", .fields = {{kTypeHdrUuid, ""}}, .useUuid = true, .message = kGridUuid},
      {.name = "uuid text",
       .fields = {{kTypeHdrUuid, "12a"}},
       .useUuid = true,
       .message = kGridUuid},
      {.name = "uuid negative",
       .fields = {{kTypeHdrUuid, "-5"}},
       .useUuid = true,
       .message = kGridUuid},
      {.name = "uuid fraction",
       .fields = {{kTypeHdrUuid, "0.9"}},
       .useUuid = true,
       .message = kGridUuid},
      {.name = "uuid fixed",
       .fields = {{kTypeHdrUuid, "0"}},
       .useUuid = true,
       .fixed = true,
       .message = kFixedUuid},
      {.name = "uuid positive", .fields = {{kTypeHdrUuid, " 4000000000 "}}, .useUuid = true},
      {.name = "uuid beyond 32 bits",
       .fields = {{kTypeHdrUuid, "99999999999999999999"}},
       .useUuid = true},
      {.name = "uuid before side",
       .fields = {{kTypeHdrUuid, ""}, {kTypeDataSide, ""}},
       .useUuid = true,
       .message = kGridUuid},
  };
  for (const CheckRow& row : rows) {
    std::vector<FieldDef> defs;
    for (const auto& [type, constant] : row.fields) {
      defs.push_back({"F", 9, type});
    }
    const std::unique_ptr<CMapping> mapping =
        MappingOf(row.fixed, defs, [&](std::size_t i, auto& map) {
          map.m_constant = row.fields[i].second;
          map.m_mapType = row.mapType;
        });
    CMappingDlg dlg(*mapping, row.useUuid);
    RecordingPrompts prompts;
    EXPECT_EQ(dlg.OnOK(prompts), row.message.empty()) << row.name;
    const std::vector<std::string> expected =
        row.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.message};
    EXPECT_EQ(prompts.m_messages, expected) << row.name;
  }
}

TEST(MappingOk, ChecksTheAppliedValuesOnly) {
  const CGridMapping mapping(kFormatComma, true, {Field("SIDE", 2, kTypeDataSide)});
  CMappingDlg dlg(mapping, false);
  RecordingPrompts prompts;
  dlg.Select(0);
  dlg.Edit().m_constant = "B";  // not applied
  EXPECT_FALSE(dlg.OnOK(prompts));
  ASSERT_TRUE(dlg.Apply(prompts));
  EXPECT_TRUE(dlg.OnOK(prompts));
}

TEST(MappingOk, StoresTheStartingRowOrLine) {
  struct Row {
    bool fixed;
    std::string typed;
    int stored;
  };
  const Row rows[] = {{.fixed = false, .typed = "2", .stored = 2},
                      {.fixed = true, .typed = "5", .stored = 5},
                      {.fixed = false, .typed = "two", .stored = 0}};
  for (const Row& row : rows) {
    std::unique_ptr<CMapping> source;
    if (row.fixed) {
      source = std::make_unique<CFixedMapping>(true);
    } else {
      source = std::make_unique<CGridMapping>(kFormatTab, true);
    }
    CMappingDlg dlg(*source, false);
    EXPECT_EQ(dlg.m_startText, "0");
    dlg.m_startText = row.typed;
    RecordingPrompts prompts;
    ASSERT_TRUE(dlg.OnOK(prompts));  // a mapping without fields passes
    const std::unique_ptr<CMapping> edited = dlg.TakeMapping();
    const int start = row.fixed ? dynamic_cast<CFixedMapping&>(*edited).m_startLine
                                : dynamic_cast<CGridMapping&>(*edited).m_startRow;
    EXPECT_EQ(start, row.stored) << row.typed;
  }
}

TEST(MappingOk, CancelLeavesTheSourceMappingAsItWas) {
  CGridMapping mapping(kFormatComma, true, {Field("SIDE", 2, kTypeDataSide)});
  mapping.m_startRow = 3;
  {
    CMappingDlg dlg(mapping, false);
    RecordingPrompts prompts;
    dlg.Select(0);
    dlg.Edit().m_constant = "S";
    ASSERT_TRUE(dlg.Apply(prompts));
    dlg.m_startText = "9";
  }
  EXPECT_EQ(mapping.m_fields[0].m_constant, "");
  EXPECT_EQ(mapping.m_startRow, 3);
}

}  // namespace
}  // namespace trqx
