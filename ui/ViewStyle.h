#pragma once
// How a list view shows its items.
enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
