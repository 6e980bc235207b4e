#pragma once
// The table engine's command set in one include: work areas and tables,
// navigation, editing, field information, locks, pack, locate and direct
// field access, plus the error state every command reports through.
#include "engine/table/editing.h"
#include "engine/table/error_state.h"
#include "engine/table/field_info.h"
#include "engine/table/hooks.h"
#include "engine/table/locate.h"
#include "engine/table/locking.h"
#include "engine/table/navigation.h"
#include "engine/table/pack.h"
#include "engine/table/peek_poke.h"
#include "engine/table/swap_values.h"
#include "engine/table/switches.h"
#include "engine/table/use.h"
#include "engine/table/work_area.h"
