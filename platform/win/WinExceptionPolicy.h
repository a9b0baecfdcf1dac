#pragma once
// The exception policy of this process through kernel32, looked up at run
// time: systems without KB976038 have neither function, and then there is
// no policy to read.
#include "platform/ExceptionPolicy.h"

class WinExceptionPolicy : public IExceptionPolicy {
public:
    bool Read(uint32_t& flags) override;
    bool Write(uint32_t flags, uint32_t& error) override;
};
