// The two product configurations of a run: the installed product (read for an uninstall) and the
// product being installed. The install engine is to hold them as its m_OldProduct and
// m_NewProduct; until then the driver reaches them here. Created on first use, on the UI thread,
// and kept until the process ends.
#pragma once

#include "config/ProductConfig.h"

struct CProductConfigs {
    CProductConfig m_OldProduct;
    CProductConfig m_NewProduct;
};

CProductConfigs* GetProductConfigs();
