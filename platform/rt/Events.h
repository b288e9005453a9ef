#pragma once
// Event signatures of the runtime's controls and forms. A control keeps each event as a
// std::function field and publishes it with TPropInfo::Event, so that scripts can serve it.
#include <cstdint>
#include <functional>

#include "platform/rt/Classes.h"

namespace rt {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Keys and mouse buttons held down, as a set of bits.
using TShiftState = int;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;
constexpr TShiftState ssLeft = 8;
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;
constexpr TShiftState ssDouble = 64;

// What closing a form does.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char16_t& Key)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TCanResizeEvent = std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;

} // namespace rt
