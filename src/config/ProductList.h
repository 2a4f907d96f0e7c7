// The two small ini files that name product files: the setup ini "_setup.ini" of a setup
// package, and the product list "productlist.ini" in an installation's "package" folder. Both
// go through the Windows profile functions, which read the UTF-16 "_setup.ini" as shipped.
#pragma once

#include <string>
#include <vector>

// Appends product1 .. product<count> of section "products" to list, skipping empty or missing
// keys; a missing file or count reads as no products. Always 0.
int ReadProductList(const std::wstring& iniPath, std::vector<std::wstring>& list);

// The product file named by "_setup.ini" (section and key "Product"; "Product.config" when the
// file or key is missing), also when the file is UTF-16LE without a byte-order mark. 0, or -1
// when the value is explicitly empty.
int GetProductConfigName(const std::wstring& iniPath, std::wstring& productConfigPath);

// Starts the product list of the installation in installFolder with productConfigPath, unless the
// run is an update or the list already counts products. Always 0.
int WriteProductList(const std::wstring& installFolder, bool update, const std::wstring& productConfigPath);
