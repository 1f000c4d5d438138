#include "SysExceptions.h"

Exception::Exception(QString message)
    : FMessage(std::move(message)), FUtf8(FMessage.toStdString()) {}
