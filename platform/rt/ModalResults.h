#pragma once
// Modal results of forms and dialogs: the answer a modal window closes with.
namespace rt {

using TModalResult = int;
inline constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                              mrYes = 6, mrNo = 7, mrAll = 12, mrNoToAll = 13, mrYesToAll = 14;

}  // namespace rt
