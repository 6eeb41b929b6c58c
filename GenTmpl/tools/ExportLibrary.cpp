// exportlibrary: writes a database value library as an XML library.
//
//   exportlibrary LIBRARY.db OUTPUT.xml
//
// The document is written under a temporary name beside OUTPUT and renamed
// into place only when every list was exported, so a failed build never
// leaves a partial library that later builds would take as done.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "GenTmpl/VLibrary.h"
#include "support/HtmlWriter.h"
#include "support/Log.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: exportlibrary LIBRARY OUTPUT.xml\n");
    return 2;
  }
  const std::string output = argv[2];
  const std::string temporary = output + ".tmp";
  CLog log;
  VLibrary library;
  if (library.Open(argv[1], log) != 0) return 1;

  HTML writer;
  if (int rc = writer.Open(temporary); rc != 0) {
    std::fprintf(stderr, "exportlibrary: can not write %s: %s\n", temporary.c_str(),
                 std::system_category().message(rc).c_str());
    return 1;
  }
  const int skipped = library.ExportXml(writer);
  const int closed = writer.Close(1);
  std::error_code ec;
  if (skipped != 0 || closed != 0) {
    const std::string why = skipped < 0   ? library.LastError()
                            : skipped > 0 ? std::to_string(skipped) + " lists could not be read"
                                          : std::system_category().message(closed);
    std::fprintf(stderr, "exportlibrary: %s was not written: %s\n", output.c_str(), why.c_str());
    std::filesystem::remove(temporary, ec);
    return 1;
  }
  std::filesystem::rename(temporary, output, ec);
  if (ec) {
    std::fprintf(stderr, "exportlibrary: can not rename %s: %s\n", temporary.c_str(),
                 ec.message().c_str());
    std::filesystem::remove(temporary, ec);
    return 1;
  }
  return 0;
}
