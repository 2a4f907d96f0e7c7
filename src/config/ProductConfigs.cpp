#include "config/ProductConfigs.h"

CProductConfigs* GetProductConfigs() {
    static CProductConfigs configs;
    return &configs;
}
