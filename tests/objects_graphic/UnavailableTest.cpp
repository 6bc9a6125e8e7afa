// Graphic and Gestalt whose imaging platform could not be started (VX_IMAGING
// names a missing library): every member answers with the platform's absence,
// before even looking at its arguments.
#include <gtest/gtest.h>

#include <functional>

#include <vellumax/IGestalt.h>
#include <vellumax/IGraphic.h>

#include "objects_graphic/ObjectsTestSupport.h"

namespace {

using namespace vxtest;

void ExpectUnavailable(const char* inLabel, const std::function<HRESULT()>& inCall)
{
    SCOPED_TRACE(inLabel);
    EXPECT_EQ(inCall(), E_FAIL);
    EXPECT_TRUE(TakeErrorDescription().starts_with("Unable to access QuickTime 4\n"));
}

TEST(Unavailable, EveryMemberOfGraphicAndGestaltSaysSo)
{
    vx::Client theGraphicObject = CreateObject(&VxGetClassObject_Graphic);
    vx::Client theGestaltObject = CreateObject(&VxGetClassObject_Gestalt);
    IGraphic* theGraphic = InterfaceOf<IGraphic>(theGraphicObject, IID_IGraphic);
    IGestalt* theGestalt = InterfaceOf<IGestalt>(theGestaltObject, IID_IGestalt);
    ASSERT_NE(theGraphic, nullptr);
    ASSERT_NE(theGestalt, nullptr);
    VARIANT theValue;
    VariantInit(&theValue);
    IDispatch* theObject = nullptr;
    ExpectUnavailable("SetFile", [&] { return theGraphic->SetFile(nullptr); });
    ExpectUnavailable("SetData", [&] { return theGraphic->SetData(&theValue, &theValue); });
    ExpectUnavailable("Format", [&] { return theGraphic->get_Format(&theValue); });
    ExpectUnavailable("Drawable", [&] { return theGraphic->get_Drawable(nullptr); });
    ExpectUnavailable("GraphicImages", [&] { return theGraphic->get_GraphicImages(&theObject); });
    ExpectUnavailable("QuickTime", [&] { return theGestalt->get_QuickTime(&theValue); });
    ExpectUnavailable("GraphicsExporters", [&] { return theGestalt->get_GraphicsExporters(&theObject); });
    ExpectUnavailable("Fonts", [&] { return theGestalt->get_Fonts(nullptr); });
    ExpectUnavailable("Codecs", [&] { return theGestalt->get_Codecs(&theObject); });
    ExpectUnavailable("LogErrors get", [&] { return theGestalt->get_LogErrors(&theValue); });
    ExpectUnavailable("LogErrors put", [&] { return theGestalt->put_LogErrors(theValue); });
    ExpectUnavailable("Log", [&] { return theGestalt->Log(&theValue); });
    ExpectUnavailable("Save", [&] { return theGestalt->Save(&theValue, &theValue); });
    EXPECT_EQ(theObject, nullptr);
}

}  // namespace
