#include "shell/TransferSharedState.h"

namespace nimbo {

TransferSharedState& TransferSharedState::Instance() {
    static TransferSharedState state;
    return state;
}

}  // namespace nimbo
