#pragma once
#include "controller/Thing.h"
