#include "vellumax/objects/Exporters.h"

const vx::DispatchTable& ExportersTable()
{
    static const vx::DispatchTable theTable = CollectionTable<IExporters>(
        IID_IExporters, "IExporters", "The names of the installed graphics exporters", "A name by number from 1");
    return theTable;
}
