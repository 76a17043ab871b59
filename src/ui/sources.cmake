# Sources of this folder are added here as they arrive.
