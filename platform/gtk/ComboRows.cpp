#include "platform/gtk/ComboRows.h"

#include <gtk/gtk.h>
#include <set>

namespace tess::gtk {

namespace {

constexpr const char* kDisabledRows = "tess-disabled-rows";

// Draws every cell of a row sensitive unless the row is among the disabled ones.
void SetRowSensitivity(GtkCellLayout*, GtkCellRenderer* cell, GtkTreeModel* model,
                       GtkTreeIter* iter, gpointer data) {
    const auto* disabled = static_cast<const std::set<int>*>(data);
    GtkTreePath* path = gtk_tree_model_get_path(model, iter);
    const int row =
        path && gtk_tree_path_get_depth(path) > 0 ? gtk_tree_path_get_indices(path)[0] : -1;
    gtk_tree_path_free(path);
    g_object_set(cell, "sensitive", disabled->count(row) ? FALSE : TRUE, nullptr);
}

} // namespace

void EnableComboRow(void* combo, int row, bool enable) {
    if (!combo || !GTK_IS_COMBO_BOX(combo))
        return;
    GObject* object = G_OBJECT(combo);
    auto* disabled = static_cast<std::set<int>*>(g_object_get_data(object, kDisabledRows));
    if (!disabled) {
        disabled = new std::set<int>;
        g_object_set_data_full(object, kDisabledRows, disabled,
                               [](gpointer p) { delete static_cast<std::set<int>*>(p); });
        GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(combo));
        for (GList* c = cells; c; c = c->next)
            gtk_cell_layout_set_cell_data_func(GTK_CELL_LAYOUT(combo), GTK_CELL_RENDERER(c->data),
                                               SetRowSensitivity, disabled, nullptr);
        g_list_free(cells);
    }
    if (enable)
        disabled->erase(row);
    else
        disabled->insert(row);
    // A list already built redraws the row with its new state.
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
    GtkTreeIter iter;
    if (model && gtk_tree_model_iter_nth_child(model, &iter, nullptr, row)) {
        GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
        gtk_tree_model_row_changed(model, path, &iter);
        gtk_tree_path_free(path);
    }
}

bool ComboRowEnabled(void* combo, int row) {
    if (!combo || !GTK_IS_COMBO_BOX(combo))
        return false;
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
    GtkTreeIter iter;
    if (!model || !gtk_tree_model_iter_nth_child(model, &iter, nullptr, row))
        return false;
    // As the combo box itself decides: the row's attributes applied, then any sensitive cell.
    GtkCellArea* area = gtk_cell_layout_get_area(GTK_CELL_LAYOUT(combo));
    gtk_cell_area_apply_attributes(area, model, &iter, FALSE, FALSE);
    gboolean sensitive = FALSE;
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(area));
    for (GList* c = cells; c && !sensitive; c = c->next)
        g_object_get(c->data, "sensitive", &sensitive, nullptr);
    g_list_free(cells);
    return sensitive;
}

} // namespace tess::gtk
