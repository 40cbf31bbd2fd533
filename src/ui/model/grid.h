// The data grid: shows a snapshot of rows through columns bound by field
// name, one row current.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "storage/database.h"
#include "ui/model/controls.h"

namespace zl {

struct GridColumn {
  std::string caption;  // VNI
  std::string field;
  int width = 0;  // twips
};

class Grid : public Control {
 public:
  explicit Grid(std::string name) : Control(std::move(name), Kind::Grid) {}

  std::vector<GridColumn> columns;

  // Shows `rows`, the first row current. Throws DbError, showing what it
  // showed before, when a bound field is missing from them.
  void Show(Snapshot rows);
  // Shows nothing.
  void Clear();
  // Adds `more` (rows of the same columns) at the end, the last current.
  void Append(const Snapshot& more);
  const Snapshot& Data() const { return data_; }

  int Rows() const { return data_.Rows(); }
  // Cell text of a shown row and column.
  std::string CellText(int row, int column) const;

  // 0-based current row; -1 when the grid is empty.
  int Row() const { return row_; }
  // Makes a row current; out-of-range is ignored.
  void SetRow(int row);

  std::function<void()> Click;

  // The operator clicked row `row`: makes it current, then raises Click.
  void ClickRow(int row);
  // The operator moved to `row` by the keyboard: current row only.
  void KeyToRow(int row);

 private:
  Snapshot data_;
  std::vector<int> field_pos_;
  int row_ = -1;
};

}  // namespace zl
