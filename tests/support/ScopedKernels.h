#pragma once

#include "Image.h"
#include "app/Application.h"

// The derivative kernels of Image, made as the program's entry point makes them, for as long as
// the scope lives; kernels that already exist are left alone.
class ScopedKernels {
public:
    ScopedKernels() : own(!Image::DX)
    {
        if (own)
            Application::CreateKernels();
    }
    ~ScopedKernels()
    {
        if (own)
            Application::DeleteKernels();
    }
    ScopedKernels(const ScopedKernels&) = delete;
    ScopedKernels& operator=(const ScopedKernels&) = delete;

private:
    bool own;
};
