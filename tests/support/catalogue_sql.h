// Catalogue rows the window tests choose effects from.
#pragma once

namespace zl::test {

// ShowFunc: 0 "07 Seven", 1 "12 Twelve", 2 "3 Three" (stored with blanks
// around it), 3 "Choïn kieåu hieäu öùng ?" (VNI for
// "Chọn kiểu hiệu ứng ?", no code), 4 "-1 Minus"; a row with a NULL text is not
// listed. FuncBoder: 0 "01 Border one", 1 "02 Border two".
inline const char kCatalogueSql[] =
    "DELETE FROM ShowFunc;\n"
    "INSERT INTO ShowFunc VALUES (1, '07 Seven'), (2, '12 Twelve'), (3, '  3 Three  '),"
    " (4, NULL), (5, 'Choïn kieåu hieäu öùng ?'), (6, '-1 Minus');\n"
    "DELETE FROM FuncBoder;\n"
    "INSERT INTO FuncBoder VALUES (1, '01 Border one'), (2, '02 Border two');\n";

}  // namespace zl::test
