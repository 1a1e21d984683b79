// The host interface: everything a plug-in module may call of the engine.
#ifndef ZORL_HOST_ZORL_H
#define ZORL_HOST_ZORL_H

#include "host/errors.h"
#include "host/module.h"
#include "host/platform.h"
#include "host/processor.h"
#include "host/threads.h"
#include "host/variable.h"

#endif
