#include "shell/edition.h"

namespace vorn {

Edition vorntEdition() {
  Edition e;
  e.name = "VORNT";
  e.menu = {
      {"1 作成･編集 ", "1"}, {"2 ファイル  ", "2"}, {"3 印 字     ", "3"},
      {"4 共用ﾌｫﾙﾀﾞ ", "4"}, {"5 ＮＣ通信  ", "5"}, {"6 プロッタ  ", "10"},
      {"7 環境設定  ", "7"}, {"8.補助作業  ", "8"}, {"9   終 了   ", "9"},
      // Tenth, after the exit, so that 1-9 keep their entries; "0" chooses it.
      {"0 ﾓﾃﾞﾘﾝｸﾞ   ", "6"},
  };
  e.editorKeyLabels = "↑   ↓   文末 検索 複写 削除 計算 Noﾘｽﾄ     軌跡 　　 貼付 Esc";
  return e;
}

Edition learnerEdition() {
  Edition e;
  e.name = "VORN_s";
  e.learner = true;
  e.programCapacity = 1260;
  e.volumes = 3;
  e.volumeCapacity = 105;
  e.indexSlots = 110;
  e.lineDigits = 4;
  e.displaySpeedMax = 222;
  e.arcPitchMax = 50;
  e.volumeLabel = "ﾃﾞｨﾚｸﾄﾘ";
  e.volumeChoice = "1)M1 2)M2 3)M3 ";
  e.versionTag = "577";
  // Codes follow the full program's where the screen is the same one
  // (plotter 10); submit and delete have codes of their own.
  e.menu = {
      {"1 作成･編集 ", "1"}, {"2 ファイル  ", "2"}, {"3 印 字     ", "3"},
      {"4 プロッタ  ", "10"}, {"5 軌跡動画  ", "11"}, {"6 提 出     ", "6"},
      {"7 環境設定  ", "7"}, {"8 ﾌｧｲﾙ削除  ", "12"}, {"9  終 了    ", "9"},
  };
  e.editorKeyLabels = "↑　 ↓　 文末 検索 複写 削除      Noﾘｽﾄ     軌跡 　　 貼付 ";
  e.calculatorKeys = false;
  e.nestedCalls = 3;
  e.callDepthMessage = " m98多重";
  e.missingFileText = "ﾄﾞﾗｲﾌﾞ,ﾊﾟｽ,ﾌｧｲﾙ名が見つからない";
  e.exitNotice = "数秒で終了します。データFDは取り出しましょう";
  e.exitQuickKey = "すぐ閉じる時は:[*]";
  // Long enough to read the advice and take the disk out.
  e.exitSeconds = 5.0;
  return e;
}

}  // namespace vorn
