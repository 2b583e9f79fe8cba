#pragma once
// `vornt-cli store list|import|export|delete|repair|copy`: the program store for scripts
// and backups, on the same store library as the storage screen.
//   store list                              one line per live program in index order
//                                           (name, title, date stamp, size; tab-separated), then the count
//   store import FILE --name NAME [--title TITLE]
//                                           loads FILE as the editor does and saves it as the save screen does
//   store export NAME -o FILE               the stored lines (no header line), code page 932, CR LF
//   store delete NAME
//   store repair                            rebuilds the name index from the directory records
//   store copy --from D --to D --first NAME [--last NAME]
//                                           copies a name range of the volume between two drives
// Every subcommand takes --work-dir DIR, --drive D and --volume Mn (default:
// the environment record's). Exit 0 on success, 1 for a usage error or a
// missing name or file, with a one-line message on stderr.
#include <iosfwd>
#include <string>
#include <vector>

namespace vorn {

int runStore(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vorn
