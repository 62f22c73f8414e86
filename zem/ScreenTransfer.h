#pragma once

#include <cstdint>
#include <functional>

#include "comthread/SerialLink.h"
#include "platform/ScreenReader.h"
#include "platform/Types.h"
#include "protocol/Packets.h"
#include "zem/CaptureArea.h"

// The screen image sent to the handheld: 640 x 240 pixels in the handheld's landscape frame, raster
// order, two 4-bit pixels a byte (the even column in the high nibble). A pixel's value is bits
// 20-23 of the 0x00BBGGRR colour at its mapped desktop point, that is the top four bits of blue.

constexpr int ScreenHeaderSize = 3;                                  // FF FF FF
constexpr int ScreenBlockSize = 4;                                   // bytes per write
constexpr int ScreenBlockCount = ScreenImageSize / ScreenBlockSize;  // 19 200

// The smallest desktop rectangle holding every point that a pixel of the image is read from.
TRect SampledArea(const TMappingInputs& inputs);

// Packs the 76 800-byte image from one snapshot. Each pixel takes the colour at MapToDesktop of its
// column and row; a point outside the snapshot counts as CLR_INVALID, all bits set.
void PackScreenImage(const TMappingInputs& inputs, const TScreenSnapshot& snapshot, uint8_t* image);

// Sends the screen answer: FF FF FF, then the image in 19 200 writes of 4 bytes. An error of the
// header write leaves at once; an error of a block write loses that block and the transfer goes on.
// The screen is read in one snapshot, clipped to the primary screen. progress, if set, is called
// after every block write with the number of blocks done.
void SendScreenImage(const TMappingInputs& inputs, IScreenReader& screen, ISerialLink& link,
                     const std::function<void(int blocksDone)>& progress);
