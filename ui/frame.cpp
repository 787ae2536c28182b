// The frame: start-up, message loop, window building, events and the end.
