#pragma once
#include "platform/Port.h"
