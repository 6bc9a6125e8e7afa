#include "codecs/Status.h"

namespace vx::codecs {

// NOTE: kept out of line so that a breakpoint here catches every failure of the codec layer.
[[gnu::noinline]] Status Fail(Status inStatus)
{
    return inStatus;
}

}  // namespace vx::codecs
