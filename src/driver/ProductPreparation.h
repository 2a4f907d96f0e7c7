// What every procedure does before it asks the difference check: the working folders, the
// product files read from a package folder, the component files and conditions of a product for
// the run's mode.
#pragma once

#include <string>
#include <vector>

#include "common/run/OpePARAMEx.h"

class CProductConfig;
struct RunContext;

// The system temporary folder + name, made anew and only administrators' to change: 0 with its
// path in folder, or -1.
int CreateTempInstallDir(const std::wstring& name, std::wstring& folder);

// Reads the product file(s) of an installation or a setup package into target: every file of the
// product list, or productConfigPath when the list is empty. 0, or -1 at the first failure.
int GetProductConfigInfo(const std::wstring& productConfigPath, CProductConfig& target,
                         const std::wstring& baseFolder, const std::vector<std::wstring>& productList);

// Removes (with a line each) the component and setup file names of a product file that would
// leave the package folder they are read from and copied into.
void DropNamesOutsidePackage(CProductConfig& product);

// The component files of config, from the folder the mode reads them in.
void ReadComponentConfigs(const OpePARAMEx& record, CProductConfig& config);

// Folders, component files (unless Init read them already) and conditions of a read product for
// this run's mode.
void PrepareProductConfig(RunContext& run, const OpePARAMEx& record, CProductConfig& config);

// The file name of this program ("PackageManager.exe" once installed).
std::wstring ProgramFileName();
