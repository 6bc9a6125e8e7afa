#include "vellumax/objects/Fonts.h"

const vx::DispatchTable& FontsTable()
{
    static const vx::DispatchTable theTable =
        CollectionTable<IFonts>(IID_IFonts, "IFonts", "The names of the installed fonts", "A name by number from 1");
    return theTable;
}
