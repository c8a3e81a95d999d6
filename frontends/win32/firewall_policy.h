// What Windows Firewall reports of the networks the computer is on, asked through its policy
// interface; no answer where that interface is missing or says nothing, as under Wine.
#pragma once

#include "firewall_hint.h"

FirewallAnswer AskFirewallPolicy();
