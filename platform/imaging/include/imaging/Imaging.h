// Everything of the imaging platform.
#pragma once

#include "imaging/Errors.h"
#include "imaging/Files.h"
#include "imaging/ImageCompression.h"
#include "imaging/ImageMatrix.h"
#include "imaging/MacTypes.h"
#include "imaging/Memory.h"
#include "imaging/QuickDraw.h"
#include "imaging/Startup.h"
