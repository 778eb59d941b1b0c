#pragma once
// TDM: the data module of the notes. It holds the one connection and the two query objects;
// every statement of the storage steps goes through qryData.
#include "platform/Database.h"

#include <memory>

namespace nodo {

class TDM {
public:
    // Created first at start-up; the connection opens with the first statement that qryData opens.
    explicit TDM(Database& connection);

    void DataModuleCreate() {}

    Database& AdoCon;
    std::unique_ptr<Query> qryData;
    std::unique_ptr<Query> qryUpdate; // no statement goes through it
};

} // namespace nodo
