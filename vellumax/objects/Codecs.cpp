#include "vellumax/objects/Codecs.h"

const vx::DispatchTable& CodecsTable()
{
    static const vx::DispatchTable theTable = CollectionTable<ICodecs>(
        IID_ICodecs, "ICodecs", "The names of the installed codecs", "A name by number from 1");
    return theTable;
}
