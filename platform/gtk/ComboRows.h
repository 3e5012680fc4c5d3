#pragma once
// Rows of a combo box's list that cannot be chosen for now: greyed in the list, which the
// pointer, the keys and the wheel then pass over. The combo box is a GtkComboBox passed as
// `void*` (a wx combo box's handle).
namespace tess::gtk {

// Makes row `row` (from 0) of `combo` choosable or not. The row keeps its place and text.
void EnableComboRow(void* combo, int row, bool enable);
// Whether `combo` lets row `row` be chosen, as the toolkit sees it (the row's cells drawn
// sensitive).
bool ComboRowEnabled(void* combo, int row);

} // namespace tess::gtk
