// Resource numbers of the start-up module (100..199). Other modules keep their own ranges:
// button 200..299, settings dialog 300..399.
#pragma once

#define IDI_ZARNIK 100
#define IDR_PREVIEW_PICTURE 101
