// Qt key codes to Win32 virtual keys: the same physical key takes the same row
// of the program's key table, keypad digits and operators told apart.
#include "qt_backend.h"

#include <map>

namespace platform::qt {

namespace {

const std::map<int, UINT>& NamedKeys() {
    static const std::map<int, UINT> keys = {
        {Qt::Key_Backspace, VK_BACK},   {Qt::Key_Tab, VK_TAB},         {Qt::Key_Backtab, VK_TAB},
        {Qt::Key_Return, VK_RETURN},    {Qt::Key_Enter, VK_RETURN},    {Qt::Key_Shift, VK_SHIFT},
        {Qt::Key_Control, VK_CONTROL},  {Qt::Key_Alt, VK_MENU},        {Qt::Key_Escape, VK_ESCAPE},
        {Qt::Key_Space, VK_SPACE},      {Qt::Key_PageUp, VK_PRIOR},    {Qt::Key_PageDown, VK_NEXT},
        {Qt::Key_End, VK_END},          {Qt::Key_Home, VK_HOME},       {Qt::Key_Left, VK_LEFT},
        {Qt::Key_Up, VK_UP},            {Qt::Key_Right, VK_RIGHT},     {Qt::Key_Down, VK_DOWN},
        {Qt::Key_Insert, VK_INSERT},    {Qt::Key_Delete, VK_DELETE},   {Qt::Key_Slash, VK_OEM_2},
        {Qt::Key_Question, VK_OEM_2},   {Qt::Key_Equal, VK_OEM_PLUS},  {Qt::Key_Plus, VK_OEM_PLUS},
        {Qt::Key_Minus, VK_OEM_MINUS},  {Qt::Key_Underscore, VK_OEM_MINUS},
        {Qt::Key_Semicolon, VK_OEM_1},  {Qt::Key_Colon, VK_OEM_1},
    };
    return keys;
}

const std::map<int, UINT>& KeypadKeys() {
    static const std::map<int, UINT> keys = {
        {Qt::Key_Plus, VK_ADD},          {Qt::Key_Minus, VK_SUBTRACT}, {Qt::Key_Asterisk, VK_MULTIPLY},
        {Qt::Key_Slash, VK_DIVIDE},      {Qt::Key_Period, VK_DECIMAL}, {Qt::Key_Comma, VK_DECIMAL},
        {Qt::Key_Enter, VK_RETURN},
    };
    return keys;
}

// Shifted digits of the main block stand for their digit keys.
int UnshiftedDigit(int iQtKey) {
    static const std::map<int, int> digits = {
        {Qt::Key_ParenRight, Qt::Key_0}, {Qt::Key_Exclam, Qt::Key_1},     {Qt::Key_At, Qt::Key_2},
        {Qt::Key_NumberSign, Qt::Key_3}, {Qt::Key_Dollar, Qt::Key_4},     {Qt::Key_Percent, Qt::Key_5},
        {Qt::Key_AsciiCircum, Qt::Key_6}, {Qt::Key_Ampersand, Qt::Key_7}, {Qt::Key_Asterisk, Qt::Key_8},
        {Qt::Key_ParenLeft, Qt::Key_9}};
    auto it = digits.find(iQtKey);
    return it == digits.end() ? iQtKey : it->second;
}

}  // namespace

UINT VirtualKeyOf(int iQtKey, Qt::KeyboardModifiers modifiers) {
    bool bKeypad = modifiers.testFlag(Qt::KeypadModifier);
    if (bKeypad && iQtKey >= Qt::Key_0 && iQtKey <= Qt::Key_9) return VK_NUMPAD0 + (iQtKey - Qt::Key_0);
    if (bKeypad) {
        auto it = KeypadKeys().find(iQtKey);
        if (it != KeypadKeys().end()) return it->second;
    }
    if (iQtKey >= Qt::Key_A && iQtKey <= Qt::Key_Z) return 'A' + (iQtKey - Qt::Key_A);
    int iDigitKey = modifiers.testFlag(Qt::ShiftModifier) ? UnshiftedDigit(iQtKey) : iQtKey;
    if (iDigitKey >= Qt::Key_0 && iDigitKey <= Qt::Key_9) return '0' + (iDigitKey - Qt::Key_0);
    if (iQtKey >= Qt::Key_F1 && iQtKey <= Qt::Key_F24) return VK_F1 + (iQtKey - Qt::Key_F1);
    auto it = NamedKeys().find(iQtKey);
    return it == NamedKeys().end() ? 0 : it->second;
}

LPARAM KeyDownParam(bool bAutoRepeat) {
    constexpr LPARAM kRepeatCount = 1;
    constexpr LPARAM kPreviouslyDown = static_cast<LPARAM>(1) << 30;
    return kRepeatCount | (bAutoRepeat ? kPreviouslyDown : 0);
}

}  // namespace platform::qt
