// The widths of a list's columns kept in the settings of group 0 under
// numbered keys ("P_W1", "C_W1", ...), so that a list opens as it was left.
#pragma once

class ProgramSettings;
class QTableView;

// Columns 0..count-1 of `view` take the widths of keys prefix+first ..
// prefix+(first+count-1); a width below 10 is taken for damage and ignored.
void RestoreColumnWidths(QTableView& view, const ProgramSettings& settings, const char* prefix, int first, int count);
void StoreColumnWidths(const QTableView& view, ProgramSettings& settings, const char* prefix, int first, int count);
