#include "notes/uDM.h"

namespace nodo {

TDM::TDM(Database& connection)
    : AdoCon(connection), qryData(connection.createQuery()), qryUpdate(connection.createQuery()) {
    DataModuleCreate();
}

} // namespace nodo
