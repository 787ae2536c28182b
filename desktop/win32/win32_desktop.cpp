// The Desktop seam on the real Win32 API.
