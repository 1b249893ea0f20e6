#include "window/globals.h"

namespace window {

ErrorClass GlobalErrors;
thread_local uint8_t GlobalRequest = 0;
thread_local uint8_t GlobalResponse = 0;
thread_local int32_t VCRRequest = 0;

}  // namespace window
