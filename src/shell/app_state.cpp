// The one AppState of the process.
#include "shell/app_state.h"

namespace qv {

AppState& App() {
  static AppState state;
  return state;
}

}  // namespace qv
