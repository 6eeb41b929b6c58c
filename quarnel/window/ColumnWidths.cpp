#include "quarnel/window/ColumnWidths.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <string>

#include "quarnel/ProgramSettings.h"

namespace {
constexpr int kSmallestWidth = 10;
std::string Key(const char* prefix, int number) { return prefix + std::to_string(number); }
}  // namespace

void RestoreColumnWidths(QTableView& view, const ProgramSettings& settings, const char* prefix, int first, int count) {
  for (int i = 0; i < count; ++i) {
    const int width = settings.GetSettingInt(0, Key(prefix, first + i));
    // Never narrower than the column's heading.
    if (width >= kSmallestWidth) view.setColumnWidth(i, std::max(width, view.horizontalHeader()->sectionSizeHint(i)));
  }
}

void StoreColumnWidths(const QTableView& view, ProgramSettings& settings, const char* prefix, int first, int count) {
  for (int i = 0; i < count; ++i) {
    const int width = view.columnWidth(i);
    if (width >= kSmallestWidth) settings.SetSettingInt(0, Key(prefix, first + i), width);
  }
}
