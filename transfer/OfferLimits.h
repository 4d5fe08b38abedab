#pragma once

namespace nimbo {

// What offers from other users can make a client hold at once. An offer
// beyond these is declined silently, as if its user had answered "No": the
// sender is not told and keeps waiting until its own user gives up.

// Receives that offers started and that have not ended (in the application:
// receive windows still choosing their target or receiving). A question
// answered "Yes" once they have filled up is declined as well.
inline constexpr int MAX_OFFERED_RECEIVES = 4;
// Questions "receive this file?" open at once in the application.
inline constexpr int MAX_OFFER_QUESTIONS = 8;

}  // namespace nimbo
