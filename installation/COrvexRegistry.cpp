#include "installation/COrvexRegistry.h"

COrvexRegistry gRegistry;

COrvexRegistry::COrvexRegistry() : CTessaroRegistry(L"Software\\Tessaro\\ORVEX\\")
{
}
