// Every stored record writes itself to a serializer and reads itself from a deserializer,
// so one serialize routine makes a bank entry, a program file, a host chunk or a count.
#pragma once

#include "sound/serializer.h"

class serializable {
public:
    virtual ~serializable() = default;
    virtual void serialize(serializer& out) const = 0;
    virtual void deserialize(deserializer& in) = 0;

    // The base holds nothing, so it never makes two records differ.
    bool operator==(const serializable&) const = default;

protected:
    serializable() = default;
    serializable(const serializable&) = default;
    serializable& operator=(const serializable&) = default;
};
