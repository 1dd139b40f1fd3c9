#pragma once
// The registry location of ORVEX.

#include "installation/CTessaroRegistry.h"

class COrvexRegistry : public CTessaroRegistry {
public:
    COrvexRegistry();
};

extern COrvexRegistry gRegistry;
