"""The game's package: its attribute Game is the module whose class Game the game module builds."""
from . import Game
