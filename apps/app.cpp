#include "apps/app.h"

#include <system_error>

#include "apps/files_wiring.h"
#include "apps/learner_wiring.h"
#include "manage/module.h"

namespace vorn {

namespace fs = std::filesystem;

App::App(Backend& backend, Clock& clock, DeviceConfig config, Edition edition)
    : screen(backend, clock),
      paths(std::move(config)),
      channels(paths),
      session(screen, channels, paths, std::move(edition)),
      editor(session.edition.programCapacity),
      store(channels, paths) {
  store.store.setCapacity(session.edition.volumeCapacity);
}

void wireScreens(App& app) {
  // The screens of menu codes 1 (editor), 2 (store), 3 (listing), 4 (shared
  // folder), 5 (communication), 10 (plotter) and 7 (environment) are entered
  // here as they are built; until then their menu entries return at once.
  wireEditor(app.session, app.menu, app.editor);
  if (app.session.edition.learner) {
    wireLearnerScreens(app);
    return;
  }
  wireTrajectory(app.session, app.editor, app.display);
  wireStore(app.session, app.menu, app.editor, app.display, app.plot, app.store);
  wireFiles(app.session, app.menu, app.editor, app.display);
  wirePlotter(app.session, app.menu, app.editor, app.display, app.plot);
  wireComm(app.session, app.menu, app.editor, app.comm);
  app.session.hooks.runModule = [](Session& s) { enterModule(s, moduleScreens()); };
}

fs::path dataDirectoryFor(const fs::path& executable) {
  // Installed: P/bin/vornt finds P/share/vornt. The build tree mirrors that
  // layout (build/share/vornt links to the source's data folder), so a
  // developer build and a copied or moved installation both work.
  return executable.parent_path().parent_path() / "share" / "vornt";
}

fs::path dataDirectory() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return dataDirectoryFor(ec ? fs::current_path(ec) / "vornt" : exe);
}

void installShippedFiles(const fs::path& dataDir, const fs::path& workDir) {
  std::error_code ec;
  auto install = [&](const fs::path& from) {
    fs::path to = workDir / from.filename();
    if (fs::is_regular_file(from, ec) && !fs::exists(to, ec)) fs::copy_file(from, to, ec);
  };
  for (const char* name : {"vorntc.ini", "UsFolder", "NCG", "NCMM"}) install(dataDir / name);
  for (const auto& entry : fs::directory_iterator(dataDir / "samples", ec)) install(entry.path());
  // The shipped "UsFolder" lists the folder "A:\samples": give it the samples too,
  // so that choosing it in the shared-folder menu finds a folder.
  if (fs::is_directory(dataDir / "samples", ec) && !fs::exists(workDir / "samples", ec)) {
    fs::create_directory(workDir / "samples", ec);
    for (const auto& entry : fs::directory_iterator(dataDir / "samples", ec))
      fs::copy_file(entry.path(), workDir / "samples" / entry.path().filename(), ec);
  }
}

}  // namespace vorn
