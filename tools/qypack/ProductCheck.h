// The product an installer is about to carry, read with the installer's own reader before it
// ships: the setup ini, the product file, every component file and what they refer to. Every
// fault the installer would stop at, drop a component for or half-install because of is named
// with its file and line.
#pragma once

#include <string>
#include <vector>

#include "PackContents.h"

struct ProductFault {
    std::string file;  // as the user gave it
    int line = 0;      // 0: the file as a whole
    std::string message;
};

// Where the product's configuration is in the setup package.
struct ProductLayout {
    const ToolEntry* productFile = nullptr;
    std::vector<std::wstring> componentFiles;  // entry names ("package\..."), in list order
    std::wstring setupComponent;               // the one of them SetupInfo names
};

// Finds the product through the setup package's "_setup.ini"; what cannot be found is a fault.
ProductLayout FindProduct(const PackContents& setup, std::vector<ProductFault>& faults);

// Checks the product's files against the packages: records, references, conditions, targets.
void CheckProduct(const ProductLayout& layout, const PackContents& program, const PackContents& setup,
                  std::vector<ProductFault>& faults);
