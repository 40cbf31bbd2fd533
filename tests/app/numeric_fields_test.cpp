#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

class NumericFields : public FormTest {
 protected:
  std::string ExtraSql() const override { return kCatalogueSql; }
  void SetUp() override {
    FormTest::SetUp();
    ChoosePort(1);  // empty, so the capacity can be edited
    ChooseEffect(0);
  }
  // Types `text` into `field`, then leaves it for the next field.
  std::string Leave(TextField& field, const std::string& text) {
    field.SetText(text);
    field.SetFocus();
    form->CmdAdd.SetFocus();
    return field.Text();
  }
};

TEST_F(NumericFields, LeftFieldsAreBoundedLoopTimeStartByOneEndByTheCapacity) {
  FrmForm& f = *form;
  for (TextField* t : {&f.TxtLoop, &f.TxtDelay, &f.TxtA})
    for (auto [typed, left] : {std::pair{"0", "1"}, {"00", "1"}, {"", "1"}, {"007", "007"}, {"99999", "99999"}})
      EXPECT_EQ(Leave(*t, typed), left) << t->Name() << " " << typed;
  EXPECT_EQ(Leave(f.TxtA, "300"), "300");  // never compared with End or the capacity
  // End, {capacity, typed, left}: above it, the capacity's text trimmed; below one,
  // the text as it stands; no number, no upper bound.
  const char* cases[][3] = {{"20", "25", "20"}, {"20", "020", "020"}, {"20", "0", "20"},     {"20", "7", "7"},
                            {"20", "", "20"},   {" 20 ", "25", "20"}, {" 20 ", "0", " 20 "}, {"0", "5", "0"},
                            {"?", "25", "25"},  {"?", "0", "?"}};
  for (const auto& c : cases) {
    form->TxtMaxport.SetText(c[0]);
    EXPECT_EQ(Leave(form->TxtB, c[1]), c[2]) << "capacity " << c[0] << " typed " << c[1];
  }
}

// TEST carries the capacity byte; "refused" when it is not sendable.
TEST_F(NumericFields, EveryChangeOfTheCapacityKeepsTheCapacityByteCurrent) {
  TextField& max = form->TxtMaxport;
  const auto byte = [&] {
    const std::size_t before = serial.writes.size();
    form->CmdTest.PerformClick();
    return serial.writes.size() == before ? std::string("refused") : serial.writes.back().substr(3, 1);
  };
  max.SetSelStart(0);
  max.SetSelLength(2);
  max.TypeChar(8);  // deleting every digit
  EXPECT_EQ(max.Text(), "0");
  EXPECT_EQ(max.SelStart(), 0);
  EXPECT_EQ(max.SelLength(), 1);
  EXPECT_EQ(byte(), std::string(1, '\0'));
  max.TypeChar('1');
  EXPECT_EQ(byte(), "\x01");
  max.TypeChar('2');
  EXPECT_EQ(byte(), "\x0C");  // "12"
  // Beyond one byte nothing is sent; "?" is no number: 01.
  for (auto [text, sent] :
       {std::pair{"255", "\xFF"}, {"256", "refused"}, {"99999", "refused"}, {"-1", "refused"}, {"?", "\x01"}}) {
    max.SetText(text);
    EXPECT_EQ(byte(), sent) << text;
  }
}

}  // namespace
}  // namespace zl::test
