#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "case/CaseEdit.h"
#include "cli/Changes.h"

namespace {

struct EditRow {
  const char* name;
  const char* argument;
  const char* field;  // or the table
  bool scale;
  double real;
  int32_t integer;
};

void PrintTo(const EditRow& row, std::ostream* out) { *out << row.argument; }

class EditAccepted : public testing::TestWithParam<EditRow> {};

TEST_P(EditAccepted, ReadsNameOperatorAndValue) {
  const EditRow& row = GetParam();
  TResult<TEdit> edit = ParseEdit(row.argument);
  ASSERT_TRUE(edit) << edit.Error().message;
  const std::string_view target = edit->field ? edit->field->name : edit->table;
  EXPECT_EQ(target, row.field);
  EXPECT_EQ(edit->scale, row.scale);
  EXPECT_EQ(edit->real, row.real);
  EXPECT_EQ(edit->integer, row.integer);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, EditAccepted,
    testing::Values(EditRow{"comma", "Vtot=1500,5", "Vtot", false, 1500.5, 0},
                    EditRow{"point", "Vtot=1500.5", "Vtot", false, 1500.5, 0},
                    EditRow{"exponent", "Epslmek=1e-20", "Epslmek", false, 1e-20, 0},
                    EditRow{"negative_zero", "c0=-0", "c0", false, -0.0, 0},
                    EditRow{"integer", "Maxit=-2147483648", "Maxit", false, 0, INT32_MIN},
                    EditRow{"integer_zeros", "nu=+0040", "nu", false, 0, 40},
                    EditRow{"scale_field", "base*=0,9", "base", true, 0.9, 0},
                    EditRow{"scale_integer", "klim*=2", "klim", true, 2, 0},
                    EditRow{"scale_loads", "loads*=1.1", "loads", true, 1.1, 0},
                    EditRow{"scale_durations", "durations*=2", "durations", true, 2, 0}),
    [](const auto& info) { return info.param.name; });

TEST(EditRefused, ASplitOrNumberThatIsNotThere) {
  for (const char* argument : {"=5", "Vtot", "Vtot*5", "Vtot=", "nu=", "nu=1e3", "nu=0x10", "nu= 4", "loads*=",
                               "Vtot=1,5,0", "Vtot=1 000"}) {
    SCOPED_TRACE(argument);
    EXPECT_FALSE(ParseEdit(argument));
  }
}

TEST(EditApplied, ScaledIntegersStayWholeAndTheTableIsScaledWhole) {
  TCaseData data;
  ASSERT_TRUE(data.Create(2));
  ASSERT_TRUE(data.SetLoad(1, 500));
  ASSERT_TRUE(data.SetLoad(2, 1e308));
  TResult<TEdit> loads = ParseEdit("loads*=10");
  ASSERT_TRUE(loads);
  const TStatus refused = ApplyEdit(data, *loads);
  EXPECT_EQ(refused.Code(), TErrc::OutOfRange);
  EXPECT_EQ(data.loads[0], 500.0) << "a refused scaling changes nothing";
  TResult<TEdit> twice = ParseEdit("Maxit*=2");
  ASSERT_TRUE(twice);
  ASSERT_TRUE(ApplyEdit(data, *twice));
  EXPECT_EQ(data.alg.Maxit, 60);
}

TEST(TableFormat, TheFirstLineTellsTheCellSeparator) {
  EXPECT_EQ(ChooseTableFormat("10\t500,5\n").cell_separator, '\t');
  EXPECT_EQ(ChooseTableFormat("\n  \n10;500,5\n").cell_separator, ';');
  EXPECT_EQ(ChooseTableFormat("10.5,500\n").cell_separator, ',');
  EXPECT_EQ(ChooseTableFormat("1\t10,5\t500;x\n").cell_separator, '\t');
  EXPECT_EQ(ChooseTableFormat("").cell_separator, '\t');
}

}  // namespace
