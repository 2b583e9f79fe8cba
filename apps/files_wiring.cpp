#include "apps/files_wiring.h"

#include "store/shared_folder_screen.h"

namespace vorn {

void wireFiles(Session&, std::map<int, MenuAction>& menu, EditorParts& editor, DisplayParts& display) {
  menu[4] = [&editor, &display](Session& s) {
    SharedFolderContext context{s, editor.buffer, {}, {}};
    context.read = [&editor, &display](Session& session, const std::string& path) {
      loadProgramWithProgress(session, editor, path);
      if (editor.wfHeader) applyExportedSettings(editor.wfHeader->settings, display.settings);
      editor.state.reset();   // the new program is shown from its first line
    };
    context.exportSettings = [&display] { return exportedSettings(display.settings); };
    sharedFolderScreen(context);
  };
}

}  // namespace vorn
