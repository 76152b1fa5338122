#pragma once
// The failure family of the network and message code. Each subsystem adds
// its own subclasses in its own headers; the ones below belong to the codecs,
// the address parser and the date functions.
#include "platform/Errors.h"

class EIdException : public Exception {
public:
  using Exception::Exception;
};

// "@ Outside address": an address item text with an '@' after a closed
// angle bracket.
class EIdEmailParseError : public EIdException {
public:
  using EIdException::EIdException;
};

// "Failed attempting to retrieve time zone information."
class EIdFailedToRetreiveTimeZoneInfo : public EIdException {
public:
  using EIdException::EIdException;
};
