#include "apps/store_wiring.h"

#include <cmath>

#include "runtime/screen.h"
#include "shell/recovery.h"
#include "store/work_files.h"

namespace vorn {

namespace {

// Slots of the stored trajectory singles: settings 1-9 in slots 0-8, 18-22 in 9-13.
constexpr size_t kWorkX = 0, kWorkY = 1, kWorkZ = 2, kBasePoint = 3, kCentreX = 6, kCentreY = 7, kCentreZ = 8;
constexpr size_t kUnit = 9, kView = 10, kAngle = 11, kZRatio = 12, kScale = 13;
constexpr float kMaxToolRadius = 99.9f;  // the widest value the radius fields show

bool within(float v, float lo, float hi) { return std::isfinite(v) && v >= lo && v <= hi; }

}  // namespace

StoredSettings storedSettings(const TrajectorySettings& t, const std::array<float, 8>& plot) {
  StoredSettings s;
  s.trajectory[kWorkX] = t.workSize[0];
  s.trajectory[kWorkY] = t.workSize[1];
  s.trajectory[kWorkZ] = t.workSize[2];
  s.trajectory[kBasePoint] = float(t.basePoint);
  // Settings 5 and 6 are form fields without values: stored as 0.
  s.trajectory[kCentreX] = t.centre[0];
  s.trajectory[kCentreY] = t.centre[1];
  s.trajectory[kCentreZ] = t.centre[2];
  s.trajectory[kUnit] = float(t.unitChoice);
  s.trajectory[kView] = float(t.H0V);
  s.trajectory[kAngle] = float(t.angle);
  s.trajectory[kZRatio] = t.zRatio;
  s.trajectory[kScale] = t.scale;
  for (size_t k = 0; k < 8; ++k) s.toolRadii[k] = t.toolRadius[k];
  for (size_t k = 0; k < 8; ++k) s.plot[k] = plot[k];
  return s;
}

void applyStoredSettings(const StoredSettings& s, TrajectorySettings& t, std::array<float, 8>& plot) {
  const auto& v = s.trajectory;
  // The values an exported file carries go through the same range rules.
  applyExportedSettings({v[kWorkX], v[kWorkY], v[kWorkZ], v[kBasePoint], v[kCentreX], v[kCentreY], v[kCentreZ], v[kScale]},
                        t);
  if (within(v[kUnit], 1, 4)) t.unitChoice = int(v[kUnit]);
  if (within(v[kView], 1, 5)) t.H0V = int(v[kView]);
  if (within(v[kAngle], -999, 999)) t.angle = int(std::lround(v[kAngle]));
  if (within(v[kZRatio], 0.2f, 8)) t.zRatio = v[kZRatio];
  for (size_t k = 0; k < 8; ++k)
    if (within(s.toolRadii[k], 0, kMaxToolRadius)) t.toolRadius[k] = s.toolRadii[k];
  for (size_t k = 0; k < 8; ++k)
    if (std::isfinite(s.plot[k])) plot[k] = s.plot[k];
}

void openStoreAtStart(Session& session, Store& store) {
  // Start-up runs before the handler is formally installed; a damaged or
  // unwritable record still reaches the recovery screen.
  ErrorHandler recovery = [&session](const RuntimeError& e) { return recoverFromError(session, e); };
  withRecovery(recovery, [&] {
    readEnvironmentFile(session.channels, session.environment, systemDateText(session.screen.clock().wallTime()));
  });
  // A record written by VORN-T may name a volume the edition has not.
  Environment& env = session.environment;
  if (env.USEL.size() == 2 && env.USEL[1] - '0' > session.edition.volumes) env.USEL = "M1";
  store.select(env.ZDX, env.USEL);
}

void storageVisit(Session& s, EditorParts& editor, DisplayParts& display, PlotParts& plot, StoreParts& parts,
                  const StorageVariant& variant) {
  StorageContext context{s, editor.buffer, parts.store, parts.screen,
                         [&] { return storedSettings(display.settings, plot.settings.toFloats()); },
                         [&](const StoredSettings& stored) {
                           std::array<float, 8> values = plot.settings.toFloats();
                           applyStoredSettings(stored, display.settings, values);
                           plot.settings.fromFloats(values);
                         }};
  const StorageResult result = StorageScreen(context, variant).run();
  if (result.outcome == StorageOutcome::Loaded) editor.state.reset();
  editor.notice = result.message;
  if (!editor.notice.empty()) s.screen.beep();
}

void wireStore(Session& session, std::map<int, MenuAction>& menu, EditorParts& editor, DisplayParts& display,
               PlotParts& plot, StoreParts& parts) {
  // One visit of the storage screen; a load puts the editor on line 1.
  const StorageVariant variant = session.edition.learner ? learnerStorageVariant() : mainStorageVariant();
  auto visit = [&editor, &display, &plot, &parts, variant](Session& s) {
    storageVisit(s, editor, display, plot, parts, variant);
  };
  menu[2] = [visit, &editor](Session& s) {
    visit(s);
    // The menu shows over the editor's text, as after start-up.
    const int CMMF = int(s.geometry.CMMF);
    redrawTextArea(s.screen, editor.buffer, editor.state, CMMF);
    showNotice(s.screen, editor.notice, CMMF);
  };
  editor.actions.store = [visit, &session] { visit(session); };
  editor.actions.afterStore = [&session, &editor] {
    showNotice(session.screen, editor.notice, int(session.geometry.CMMF));
    editor.notice.clear();
  };
  session.hooks.openStore = [&parts](Session& s) { openStoreAtStart(s, parts.store); };
  session.hooks.saveEnvironment = [](Session& s) {
    writeEnvironmentFile(s.channels, s.environment, systemDateText(s.screen.clock().wallTime()));
  };
}

}  // namespace vorn
