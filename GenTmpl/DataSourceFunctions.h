// Registration of the pattern functions that read external data sources
// (files, the value library, tables and queries, workbooks, XML files and
// custom generator libraries).
#pragma once

class FunctionTable;

// Adds the data-source functions to `table`; called once while the
// process-wide function table is built.
void RegisterDataSourceFunctions(FunctionTable& table);
