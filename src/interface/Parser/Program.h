// Starting, waiting for and ending programs for the run rules (second base of the engine).
#pragma once

class CProgram {
public:
    virtual ~CProgram() = default;
};
