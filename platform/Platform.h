// Everything the host layer offers, in one include.
#pragma once

#include "platform/Backend.h"
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/MessageBox.h"
#include "platform/PixelView.h"
#include "platform/Present.h"
#include "platform/Profile.h"
#include "platform/Time.h"
#include "platform/Types.h"
#include "platform/Window.h"

#include "platform/AudioOut.h"
#include "platform/Bmp.h"
#include "platform/Dialog.h"
#include "platform/DisplayProfile.h"
#include "platform/Direct3D.h"
#include "platform/Mixer.h"
#include "platform/Mmio.h"
#include "platform/Sound.h"
#include "platform/Surface.h"
#include "platform/Text.h"
