// The arguments of a late-bound call made from a script, shared by plain and promise calls.
#pragma once

#include <vector>

#include "Values.h"

namespace vxnode {

struct PreparedCall {
    std::vector<vx::Variant> mValues;  // in the natural order
    std::vector<vx::Variant> mOuts;    // [out] places the caller left out; mValues refer into them
};

// Converts the script's arguments; outPositions (an array, or anything else for none) names the
// [out] parameters, which receive references when the caller left them out. False with a pending
// exception when a value has no automation form.
bool PrepareCall(napi_env inEnv, napi_value inArgs, napi_value inOutPositions, PreparedCall* outCall);

// What a call gives the script: the retval; with [out] parameters the caller left out, their values
// in order (then the retval), or the one value alone. Null with a pending exception on failure.
napi_value CallResult(napi_env inEnv, PreparedCall& ioCall, vx::Variant inResult, bool inHasRetval);

// A JavaScript array of the values, in order; null when one can't be converted (an exception is
// then pending).
napi_value ArrayFromVariants(napi_env inEnv, const std::vector<vx::Variant>& inValues);

}  // namespace vxnode
