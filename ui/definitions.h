#pragma once
// The five window definitions. Each is constant data: loading a window builds it afresh
// from its definition.

#include "ui/formdef.h"
#include "ui/images.h"

namespace ui {

WindowDef mainMenuDefinition();         // tbMainForm
WindowDef participantListDefinition();  // SankaForm
WindowDef prizeListDefinition();        // KehinForm
WindowDef drawSheetDefinition();        // TombalForm
WindowDef aboutDefinition();            // AboutBox

// The icon every window carries in its title bar.
inline constexpr const char *applicationIcon = images::icon;

// The names of the controls that behaviour code looks up; the definitions use the same.
namespace names {
inline constexpr QLatin1StringView Command1{"Command1"}, Command2{"Command2"}, Command3{"Command3"},
    Command4{"Command4"}, Command5{"Command5"};
inline constexpr QLatin1StringView Cmd_ZeinSentaku{"Cmd_ZeinSentaku"}, Cmd_SentakuKaijo{"Cmd_SentakuKaijo"},
    Cmd_Settei{"Cmd_Settei"}, cmd_Cancel{"cmd_Cancel"};
inline constexpr QLatin1StringView Chk_Sanka{"Chk_Sanka"}, Txt_Sanka{"Txt_Sanka"}, Chk_Kehin{"Chk_Kehin"},
    Txt_Kehin{"Txt_Kehin"};
inline constexpr QLatin1StringView Fra_Kekka{"Fra_Kekka"}, Txt_Name{"Txt_Name"}, Txt_Kekka{"Txt_Kekka"};
inline constexpr QLatin1StringView Pic_ApIcon{"Pic_ApIcon"}, Picture2{"Picture2"}, Cmd_OK{"Cmd_OK"};
}  // namespace names

}  // namespace ui
