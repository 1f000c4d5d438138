#pragma once
// The program's own exception class: a message only.

#include "Components/Core/SysExceptions.h"

class EXEPException : public Exception {
public:
    using Exception::Exception;
};
