#pragma once

class SpreadGrid;

// The two colour presets of the list grids. When keepRows is false the grid is emptied.
void StyleGrid(SpreadGrid* grid, bool& keepRows);
void StyleGridHighlight(SpreadGrid* grid, bool& keepRows);
