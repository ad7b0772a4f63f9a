"""The game's scripts, read from the resource locations through the loader in game/OgreLoader.py."""
