#include "ui/model/grid.h"

namespace zl {

void Grid::Show(Snapshot rows) {
  std::vector<int> pos;
  for (const GridColumn& c : columns) pos.push_back(rows.Position(c.field));
  field_pos_ = std::move(pos);
  data_ = std::move(rows);
  row_ = data_.Rows() > 0 ? 0 : -1;
  Notify();
}

void Grid::Clear() {
  data_ = Snapshot();
  field_pos_.clear();
  row_ = -1;
  Notify();
}

void Grid::Append(const Snapshot& more) {
  data_.Append(more);
  if (data_.Rows() > 0) row_ = data_.Rows() - 1;
  Notify();
}

std::string Grid::CellText(int row, int column) const {
  if (row < 0 || row >= Rows()) return {};
  return data_.At(row, field_pos_.at(static_cast<std::size_t>(column))).ToText();
}

void Grid::SetRow(int row) {
  if (row < 0 || row >= Rows()) return;
  row_ = row;
  Notify();
}

void Grid::ClickRow(int row) {
  if (!Enabled()) return;
  SetRow(row);
  if (Click) Click();
}

void Grid::KeyToRow(int row) {
  if (!Enabled()) return;
  SetRow(row);
}

}  // namespace zl
