// A bulk load of rows written as lines of tab-separated fields, backslash,
// tab, line feed and carriage return escaped and \N for NULL: PostgreSQL's
// COPY from standard input, or LOAD DATA of a file on MySQL and MariaDB.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class BulkStream {
 public:
  virtual ~BulkStream() = default;
  // Starts a load by `statement` (what it is depends on the kind of load).
  virtual int Begin(const std::string& statement) = 0;
  // Sends rows: complete lines, each ending with "\n".
  virtual int Put(std::string_view lines) = 0;
  // Ends the load; *rows gets the number of rows the server stored.
  virtual int End(int64_t* rows) = 0;
  // Ends the load with an error, so that none of its rows is stored.
  virtual void Abort(const char* reason) = 0;
  virtual bool copying() const = 0;
  // Asks the server to stop the running load, from another thread.
  virtual void Cancel() = 0;
  virtual const std::string& ErrorText() const = 0;
};
