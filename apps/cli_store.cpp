#include "apps/cli_store.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <ostream>
#include <sstream>

#include "apps/command_line.h"
#include "editor/load.h"
#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "runtime/text.h"
#include "shell/numeric.h"
#include "store/layouts.h"
#include "store/names.h"
#include "store/store.h"
#include "store/volume_copy.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::string usage() {
  return "usage: vornt-cli store list [OPTIONS]\n"
         "       vornt-cli store import FILE --name NAME [--title TITLE] [OPTIONS]\n"
         "       vornt-cli store export NAME -o FILE [OPTIONS]\n"
         "       vornt-cli store delete NAME [OPTIONS]\n"
         "       vornt-cli store repair [OPTIONS]\n"
         "       vornt-cli store copy --from D --to D --first NAME [--last NAME] [OPTIONS]\n" +
         optionLines({
             {"--work-dir DIR", "the working directory (default: the current one)"},
             {"--drive D", "data drive A to F, or \"\" for the working directory (default: the environment record's)"},
             {"--volume Mn", "volume M1 to M6 (default: the environment record's)"},
             {"--name NAME", "import: the name the program is stored under"},
             {"--title TITLE", "import: its title, at most 16 characters"},
             {"-o FILE", "export: the file written"},
             {"--from D", "copy: the source drive (\"\" for the working directory)"},
             {"--to D", "copy: the target drive (\"\" for the working directory)"},
             {"--first NAME", "copy: the first program of the range"},
             {"--last NAME", "copy: the last program of the range (default: the first)"},
             {"--help", "print this text"},
             {"--version", "print the version"},
         }) +
         "list prints name, title, date stamp and size in bytes, tab-separated, one\n"
         "line per program in index order, then the count. Exit status: 0 success,\n"
         "1 a usage error or a missing name or file.\n"
         "repair rebuilds the name index from the directory records (deleted and\n"
         "empty ones left out). copy copies the programs FIRST to LAST (by name) of\n"
         "the volume from drive D to drive D (\"\" for the working directory),\n"
         "overwriting names the target holds and appending new ones.\n";
}

struct StoreArgs {
  std::string action;               // list, import, export or delete
  std::vector<std::string> plain;   // arguments that are not options
  std::string workDir;              // --work-dir
  std::optional<std::string> drive; // --drive
  std::optional<std::string> volume;// --volume
  std::optional<std::string> name;  // --name
  std::optional<std::string> title; // --title
  std::string output;               // -o
  std::optional<std::string> from;  // --from: the copy's source drive
  std::optional<std::string> to;    // --to: the copy's target drive
  std::string first;                // --first: first name of the copy's range
  std::string last;                 // --last: last name ("" = the first)
  bool help = false;
};

// A one-line usage error.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

StoreArgs parse(const std::vector<std::string>& args) {
  StoreArgs a;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") a.help = true;
    else if (arg == "--work-dir") a.workDir = value();
    else if (arg == "--drive") a.drive = value();
    else if (arg == "--volume") a.volume = value();
    else if (arg == "--name") a.name = value();
    else if (arg == "--title") a.title = value();
    else if (arg == "-o" || arg == "--output") a.output = value();
    else if (arg == "--from") a.from = value();
    else if (arg == "--to") a.to = value();
    else if (arg == "--first") a.first = value();
    else if (arg == "--last") a.last = value();
    else if (arg.size() > 1 && arg[0] == '-') throw UsageError("unknown option " + arg);
    else if (a.action.empty()) a.action = arg;
    else a.plain.push_back(arg);
  }
  return a;
}

// "A", "a", "A:" and "a:" are drive A; "" is the working directory.
std::string driveOf(std::string d) {
  if (d.size() == 1) d += ':';
  if (!d.empty()) d[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(d[0])));
  if (!isDataDrive(d)) throw UsageError("--drive takes A to F or \"\"");
  return d;
}

// The environment record's drive and volume without creating the record.
Environment storedEnvironment(const PathMap& paths) {
  std::ifstream in(paths.resolve(kEnvironmentFile), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < static_cast<size_t>(kEnvironmentRecordLength)) return freshEnvironment(Environment{});
  return unpackEnvironment(bytes, freshEnvironment(Environment{}));
}

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RuntimeError(err::NotFound, "open " + path, "cannot read the file");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A size in bytes as a whole number; a corrupt record's figure in plain number form.
std::string sizeText(float size) {
  if (size >= 0 && size < 1e15f && size == std::floor(size)) return std::to_string(static_cast<long long>(size));
  return numberTextTrim(size);
}

int list(Store& store, std::ostream& out) {
  store.readIndex();
  for (const IndexEntry& e : store.index().entries) {
    DirectoryRecord rec = store.readEntryHeader(e.record);
    std::string name = e.key;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    out << name << '\t' << rec.title << '\t' << rec.date << '\t' << sizeText(rec.size) << '\n';
  }
  out << store.index().count() << '\n';
  return 0;
}

int importProgram(Store& store, const StoreArgs& a, std::ostream& err) {
  if (a.plain.size() != 1 || !a.name) throw UsageError("import takes FILE --name NAME");
  store.readIndex();
  const std::string name = foldProgramName(*a.name);
  if (std::string why = programNameProblem(name, store.index().keyWidth, kMinTypedName); !why.empty()) throw UsageError(why);
  const std::string path = a.plain[0];
  const std::string bytes = readFileBytes(path);
  ProgramBuffer buffer(static_cast<int>(std::min<size_t>(std::count(bytes.begin(), bytes.end(), '\n') + 1,
                                                         std::numeric_limits<int>::max())));
  LoadResult loaded = loadProgramBytes(buffer, path, bytes);
  if (buffer.lineCount() < 1) throw UsageError(path + " holds no program lines");

  SaveRequest request;
  request.name = name;
  request.title = a.title ? *a.title : buffer.H0X;
  if (textWidth(request.title) > kTitleShown) throw UsageError("a title has at most 16 characters");
  request.date = dateStamp(std::time(nullptr));
  NameSearch found = store.index().find(name);
  if (found.found) {
    // An existing program keeps its settings and counts its saves on.
    DirectoryRecord old = store.readEntry(store.index().entries[static_cast<size_t>(found.position - 1)].record);
    request.settings = old.settings;
    if (!a.title) request.title = old.title;
  } else if (loaded.header) {
    // A ".wf" header carries trajectory settings 1-4, 7-9 and 22.
    const int slots[] = {0, 1, 2, 3, 6, 7, 8, 13};
    for (size_t i = 0; i < loaded.header->settings.size() && i < 8; ++i) {
      request.settings.trajectory[static_cast<size_t>(slots[i])] = loaded.header->settings[i];
    }
  }
  SaveResult r = store.save(buffer, request);
  err << "vornt-cli store: " << name << " saved in " << store.location() << " (" << r.size << " bytes, "
      << (r.newEntry ? "new" : "replaced") << ")\n";
  return 0;
}

int exportProgram(Store& store, const StoreArgs& a, ChannelTable& channels) {
  if (a.plain.size() != 1 || a.output.empty()) throw UsageError("export takes NAME -o FILE");
  store.readIndex();
  const std::string name = foldProgramName(a.plain[0]);
  if (!store.index().find(name).found) throw UsageError("no program " + name + " in " + store.location());
  std::vector<std::string> lines = store.readText(name);
  const int ch = kTextChannel;
  channels.open(ch, fs::absolute(a.output).string(), OpenMode::Output);
  for (const std::string& line : lines) channels.printLine(ch, line);
  channels.close(ch);
  return 0;
}

int deleteProgram(Store& store, const StoreArgs& a) {
  if (a.plain.size() != 1) throw UsageError("delete takes NAME");
  store.readIndex();
  const std::string name = foldProgramName(a.plain[0]);
  NameSearch s = store.index().find(name);
  if (!s.found) throw UsageError("no program " + name + " in " + store.location());
  store.deleteEntry(s.position);
  return 0;
}

int repair(Store& store, std::ostream& out, std::ostream& err) {
  int shown = 0;
  store.repairIndex([&](int record, const DirectoryRecord& entry, int count) {
    if (record % 50 == 0) err << "vornt-cli store: record " << record << " (" << entry.name << "), " << count << " programs\n";
    shown = count;
    return true;
  });
  out << shown << '\n';
  return 0;
}

int copy(const PathMap& paths, const StoreArgs& a, const std::string& volume, std::ostream& out, std::ostream& err) {
  if (!a.from || !a.to || a.first.empty()) throw UsageError("copy takes --from D --to D --first NAME [--last NAME]");
  CopyRange range{driveOf(*a.from), driveOf(*a.to), volume, a.first, a.last};
  if (std::string why = copyRangeProblem(paths, range); !why.empty()) throw UsageError(why);
  ProgramBuffer buffer(kModuleProgramCapacity);
  VolumeCopyHooks hooks;
  hooks.copied = [&](const CopiedProgram& p) {
    err << "vornt-cli store: " << p.name << (p.problem.empty() ? (p.existed ? " replaced" : " added") : " not copied: " + p.problem)
        << "\n";
    return true;
  };
  VolumeCopyResult r = copyVolumeRange(paths, buffer, range, hooks);
  if (r.nothingInRange) {
    err << "vornt-cli store: no program of " << range.sourceDrive << volume << " lies in the range\n";
    return 1;
  }
  out << r.copied() << '\n';
  return r.copied() == static_cast<int>(r.programs.size()) ? 0 : 1;
}

}  // namespace

int runStore(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    StoreArgs a = parse(args);
    if (a.help) {
      out << usage();
      return 0;
    }
    if (a.action.empty()) throw UsageError("which store command: list, import, export, delete, repair or copy?");
    std::error_code ec;
    fs::path workDir = a.workDir.empty() ? fs::current_path(ec) : fs::absolute(a.workDir);
    if (!fs::is_directory(workDir, ec)) throw UsageError("no working directory " + workDir.string());
    PathMap paths(loadDeviceConfig(configFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")), workDir));
    Environment env = storedEnvironment(paths);
    const std::string drive = a.drive ? driveOf(*a.drive) : env.ZDX;
    const std::string volume = a.volume ? *a.volume : env.USEL;
    if (!isVolumeName(volume)) throw UsageError("--volume takes M1 to M6");

    ChannelTable channels(paths);
    Store store(channels, paths);
    store.select(drive, volume);
    int rc = 1;
    if (a.action == "list") rc = list(store, out);
    else if (a.action == "import") rc = importProgram(store, a, err);
    else if (a.action == "export") rc = exportProgram(store, a, channels);
    else if (a.action == "delete") rc = deleteProgram(store, a);
    else if (a.action == "repair") rc = repair(store, out, err);
    else if (a.action == "copy") rc = copy(paths, a, volume, out, err);
    else throw UsageError("unknown store command " + a.action);
    if (!store.rebuildReason().empty()) {
      err << "vornt-cli store: the index of " << store.location() << " was rebuilt from the directory file ("
          << store.rebuildReason() << ")\n";
    }
    store.closeVolume();
    return rc;
  } catch (const UsageError& e) {
    err << "vornt-cli store: " << e.what() << "\n";
    return 1;
  } catch (const StoreRefused& e) {
    err << "vornt-cli store: " << e.what() << "\n";
    return 1;
  } catch (const RuntimeError& e) {
    err << "vornt-cli store: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace vorn
