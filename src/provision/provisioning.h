#pragma once
// Provisioning a unit, as a program uses it: the values, the runs (read, write, apply, diff),
// the comparison and the station. A front end includes this one header.
#include "provision/apply.h"
#include "provision/comparison.h"
#include "provision/modem_runs.h"
#include "provision/run.h"
#include "provision/runs.h"
#include "provision/station.h"
#include "provision/values.h"
#include "provision/network_check.h"
