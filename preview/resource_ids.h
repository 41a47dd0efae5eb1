// Resource numbers of the preview (100..199). Other modules keep their own ranges:
// button 200..299, settings dialog 300..399.
#pragma once

#define IDR_PREVIEW_PICTURE 101
