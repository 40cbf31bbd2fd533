// The data grid: shows a recordset through columns bound by field name. Its
// current row and the recordset's move together.
#pragma once

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
  ~Grid() override;

  std::vector<GridColumn> columns;

  // Binds the grid to `rs` (not owned; null unbinds). Throws DbError when a
  // bound field is missing from the recordset.
  void SetDataSource(Recordset* rs);
  Recordset* DataSource() const { return source_; }

  int Rows() const;
  // Cell text of a shown row and column.
  std::string CellText(int row, int column) const;

  // 0-based current row; -1 when the grid is empty.
  int Row() const;
  // Makes a row current (moves the recordset too); out-of-range is ignored.
  void SetRow(int row);

  std::function<void()> Click;

  // The operator clicked row `row`: makes it current, then raises Click.
  void ClickRow(int row);
  // The operator moved to `row` by the keyboard: current row only.
  void KeyToRow(int row);

 private:
  void Bind();
  Recordset* source_ = nullptr;
  std::vector<int> field_pos_;
};

}  // namespace zl
