// Everything of the imaging platform.
#pragma once

#include "imaging/Atoms.h"
#include "imaging/CodecList.h"
#include "imaging/Components.h"
#include "imaging/Errors.h"
#include "imaging/Files.h"
#include "imaging/GraphicsExport.h"
#include "imaging/GraphicsImport.h"
#include "imaging/ImageCompression.h"
#include "imaging/ImageMatrix.h"
#include "imaging/MacTypes.h"
#include "imaging/Memory.h"
#include "imaging/QuickDraw.h"
#include "imaging/Startup.h"
