from .Level import Level, describe
